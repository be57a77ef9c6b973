// What the printer answers decides the job: not ready stops it before a byte, a one-way printer
// lets it go on, a busy NV write is waited for, stray status bytes are not taken for answers,
// and a line that fails mid-store ends the job with a message, never a hang.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

const Bytes kStatusQuestions = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02,
                                0x10, 0x04, 0x03, 0x10, 0x04, 0x04};

struct StateCase {
    std::vector<std::string> simArgs;
    const char* reason;
};

TEST(NotReady, EachStateStopsTheJobBeforeAnyByte) {
    const StateCase cases[] = {
        {{"--offline"}, "off-line"},
        {{"--cover-open"}, "cover open"},
        {{"--paper-end"}, "paper end"},
        {{"--error", "cutter"}, "cutter error"},
        {{"--error", "unrecoverable"}, "unrecoverable error"},
        {{"--error", "auto-recoverable"}, "auto-recoverable error"},
    };
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    int n = 0;
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.reason);
        std::vector<std::string> simArgs = {"--listen", "0"};
        simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
        Sim sim(dir.Path() / ("printer" + std::to_string(++n)), simArgs);
        ASSERT_TRUE(sim.Ready()) << sim.Banner();
        const NvRun store = RunNv({"store", fixtures[0].file.string(), "--port", sim.Port()});
        EXPECT_EQ(store.exit, 3) << store.err;
        EXPECT_NE(store.err.find(std::string("not ready: ") + c.reason), std::string::npos)
            << store.err;
        const NvRun status = RunNv({"status", "--port", sim.Port()});
        EXPECT_EQ(status.exit, 3) << status.err;
        EXPECT_NE(status.out.find("not ready"), std::string::npos) << status.out;
        sim.Stop();
        // Two sets of questions, and nothing else.
        Bytes twice = kStatusQuestions;
        twice.insert(twice.end(), kStatusQuestions.begin(), kStatusQuestions.end());
        EXPECT_EQ(sim.Raw(), twice);
    }
}

TEST(Status, ReadyPrinterAndOneWayPrinter) {
    TempDir dir;
    Sim ready(dir.Path() / "ready", {"--listen", "0", "--paper-near-end"});
    ASSERT_TRUE(ready.Ready()) << ready.Banner();
    const NvRun ok = RunNv({"status", "--port", ready.Port()});
    EXPECT_EQ(ok.exit, 0) << ok.err;
    EXPECT_NE(ok.out.find("paper near end: yes"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("printer: on-line"), std::string::npos) << ok.out;

    Sim oneWay(dir.Path() / "one-way", {"--listen", "0", "--no-answers"});
    ASSERT_TRUE(oneWay.Ready()) << oneWay.Banner();
    const NvRun none = RunNv({"status", "--port", oneWay.Port()});
    EXPECT_EQ(none.exit, 1);
    EXPECT_NE(none.err.find("gives no status"), std::string::npos) << none.err;
    const auto fixtures = MakeFixtures(dir.Path());
    const NvRun store = RunNv({"store", fixtures[1].file.string(), "--port", oneWay.Port()});
    EXPECT_EQ(store.exit, 0) << store.err;
    EXPECT_NE(store.err.find("the printer gives no status; going on"), std::string::npos);
    EXPECT_NE(store.out.find("sent; this printer cannot confirm"), std::string::npos);
    EXPECT_TRUE(oneWay.WaitFor({{"name", "FS q"}, {"stored", true}}, 5s));
}

TEST(Info, ReadsEveryAnswer) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const NvRun run = RunNv({"info", "--port", sim.Port()});
    EXPECT_EQ(run.exit, 0) << run.err;
    for (const char* line :
         {"model ID: 0x20", "type ID: 0x02 (auto-cutter)", "ROM version ID: 0x64",
          "firmware: 1.00 ESC/POS", "model name: Quillet Virtual Printer"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

TEST(Busy, ConfirmationComesAfterTheWriteWithNothingRealTimeDuringIt) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0", "--nv-busy-ms", "3000"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const NvRun run = RunNv(
        {"store", fixtures[0].file.string(), fixtures[1].file.string(), "--port", sim.Port()});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("confirmed in"), std::string::npos) << run.out;
    EXPECT_GT(run.seconds, 2.9);
    ASSERT_TRUE(sim.WaitFor({{"ev", "busy_end"}}, 5s));
    for (const auto& record : sim.Log())
        EXPECT_NE(record.value("ev", ""), "fault") << record.dump();
}

TEST(Busy, APrinterThatNeverConfirmsFailsWithinTheTimeout) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0", "--nv-busy-ms", "60000"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const NvRun run = RunNv(
        {"store", fixtures[0].file.string(), "--port", sim.Port(), "--confirm-timeout", "2"}, 30s);
    EXPECT_EQ(run.exit, 1) << run.err;
    EXPECT_NE(run.err.find("did not confirm the write within 2.0 s"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("stored"), std::string::npos);
    EXPECT_GT(run.seconds, 1.9);
    EXPECT_LT(run.seconds, 15);
}

TEST(StrayStatus, DataHoldingDleEotStoresAndConfirms) {
    TempDir dir;
    // Column 0 from the top holds the bytes 10 04 01: dots at rows 3, 13 and 23.
    Dots stray{16, 24, std::vector<std::uint8_t>(16 * 24, 0)};
    for (const std::uint32_t y : {3u, 13u, 23u})
        stray.dots[y * 16] = 1;
    stray.dots[5 * 16 + 9] = 1;
    const fs::path file = dir.Write("stray.bmp", BmpOf(stray));
    const fs::path saved = dir.Path() / "saved.bin";
    Sim sim(dir.Path() / "printer", {"--listen", "0", "--answer-dle-in-data"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const NvRun run =
        RunNv({"store", file.string(), "--port", sim.Port(), "--save", saved.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("confirmed in"), std::string::npos) << run.out;
    const Bytes payload = ReadFile(saved);
    const Bytes dle = {0x10, 0x04, 0x01};
    ASSERT_NE(std::search(payload.begin(), payload.end(), dle.begin(), dle.end()), payload.end());
    const NvRun print = RunNv({"print", "1", "--port", sim.Port()});
    ASSERT_EQ(print.exit, 0) << print.err;
    ASSERT_TRUE(sim.WaitForReceipts(1, 10s));
    ASSERT_FALSE(sim.Receipts().empty());
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts().front()), {stray}, 8), "");
}

struct FaultCase {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> nvArgs;
    const char* message;
};

TEST(Faults, MidStoreFailureEndsTheJobWithAMessage) {
    const FaultCase cases[] = {
        {"hang-up", {"--hangup-after", "20000"}, {}, "closed the line"},
        {"stall", {"--stall-after", "20000", "--stall-ms", "30000"}, {}, "stopped taking data"},
        {"xoff",
         {"--xoff-after", "20000", "--xoff-ms", "30000"},
         {"--flow", "xon-xoff"},
         "stopped taking data"},
        {"tcp hang-up", {"--listen", "0", "--hangup-after", "20000"}, {}, "closed the line"},
    };
    TempDir dir;
    // 576 x 2000 dots: 144,000 bytes, far more than the line's buffers hold.
    Dots big{576, 2000, {}};
    for (std::uint32_t y = 0; y < big.height; ++y)
        for (std::uint32_t x = 0; x < big.width; ++x)
            big.dots.push_back((x * 7 + y * 3) % 11 == 0);
    const fs::path file = dir.Write("big.bmp", BmpOf(big));
    int n = 0;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        Sim sim(dir.Path() / ("printer" + std::to_string(++n)), c.simArgs);
        ASSERT_TRUE(sim.Ready()) << sim.Banner();
        std::vector<std::string> args = {"store", file.string(), "--port", sim.Port()};
        args.insert(args.end(), c.nvArgs.begin(), c.nvArgs.end());
        const NvRun run = RunNv(args, 60s);
        EXPECT_EQ(run.exit, 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("stored"), std::string::npos) << run.out;
        // The write time-out is 5 s without progress.
        EXPECT_LT(run.seconds, 15) << run.err;
    }
}

} // namespace
} // namespace quillet::nv::test
