// The ledger in real runs of quillet-nv against the virtual printer: a store written once and then
// skipped, a changed logo written, an unconfirmed store not recorded, the daily number and
// --force, runs at the same time on one ledger, a damaged ledger, and --dry-run sending nothing.
#include "fixtures.h"
#include "nv/ledger.h"
#include "nv/sha256.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

std::vector<LedgerWrite> Records(const fs::path& file) {
    std::vector<LedgerWrite> writes;
    std::string warning, why;
    EXPECT_TRUE(Ledger(file).Load(writes, warning, why)) << why;
    EXPECT_EQ(warning, "");
    return writes;
}

// NV writes the printer made, by its own log.
std::size_t NvWrites(const Sim& sim) {
    std::size_t n = 0;
    for (const auto& r : sim.Log())
        n += r.value("stored", false) && (r.value("name", "") == "FS q" || r.value("fn", 0) == 67);
    return n;
}

Dots Logo(int variant) {
    Dots logo{64, 24, {}};
    for (std::uint32_t y = 0; y < logo.height; ++y)
        for (std::uint32_t x = 0; x < logo.width; ++x)
            logo.dots.push_back((x * 3 + y * variant) % 5 == 0 || x == std::uint32_t(variant));
    return logo;
}

struct Road {
    const char* name;
    std::vector<std::string> args;
    NvRoad road;
};

class LedgerRoads : public ::testing::TestWithParam<Road> {};

TEST_P(LedgerRoads, WrittenOnceThenSkippedAndAChangedLogoIsWritten) {
    const Road& road = GetParam();
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path ledger = dir.Path() / "ledger.json";
    const fs::path first = dir.Write("first.bmp", BmpOf(Logo(1)));
    const fs::path changed = dir.Write("changed.bmp", BmpOf(Logo(2)));
    const fs::path saved = dir.Path() / "saved.bin";
    auto store = [&](const fs::path& logo) {
        std::vector<std::string> args = {"store",    logo.string(),   "--port",       sim.Port(),
                                         "--ledger", ledger.string(), "--if-changed", "--json",
                                         "--save",   saved.string()};
        args.insert(args.end(), road.args.begin(), road.args.end());
        const NvRun run = RunNv(args);
        EXPECT_EQ(run.exit, 0) << run.err;
        return nlohmann::json::parse(run.out.empty() ? "{}" : run.out);
    };

    const auto written = store(first);
    EXPECT_EQ(written["skipped"], false);
    EXPECT_EQ(written["recorded"], true);
    ASSERT_TRUE(sim.WaitFor({{"stored", true}}, 5s));
    auto records = Records(ledger);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].printer.port, sim.Port());
    EXPECT_EQ(records[0].printer.model, "Quillet Virtual Printer");
    EXPECT_EQ(records[0].printer.serial, "QV0001");
    EXPECT_EQ(records[0].road, road.road);
    EXPECT_EQ(records[0].sha256, Sha256Hex(ReadFile(saved))); // the very bytes sent
    EXPECT_LE(LedgerNow() - records[0].time, 60s);

    const auto skipped = store(first);
    EXPECT_EQ(skipped["skipped"], true);
    EXPECT_TRUE(std::regex_search(skipped["lines"][0].get<std::string>(),
                                  std::regex("^unchanged since \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d; "
                                             "not written$")))
        << skipped.dump();
    EXPECT_EQ(Records(ledger).size(), 1u);

    const auto rewritten = store(changed);
    EXPECT_EQ(rewritten["skipped"], false);
    ASSERT_EQ(Records(ledger).size(), 2u);
    // Each write was confirmed, so the printer had logged it before the next run.
    EXPECT_EQ(NvWrites(sim), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Roads, LedgerRoads,
    ::testing::Values(Road{"fs_q", {}, NvRoad::Images},
                      Road{"nv_graphics", {"--graphics", "--key", "LG"}, NvRoad::Graphics}),
    [](const auto& info) { return std::string(info.param.name); });

// The ledger knows what was written; the printer's list says what is still there.
TEST(LedgerGraphics, AKeyThePrinterNoLongerListsIsWrittenAgain) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path ledger = dir.Path() / "ledger.json";
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    const std::vector<std::string> store = {"store",  logo,           "--graphics", "--key",
                                            "LG",     "--if-changed", "--ledger",   ledger.string(),
                                            "--port", sim.Port()};
    ASSERT_EQ(RunNv(store).exit, 0);
    // Deleted behind this ledger's back, by a run keeping another one.
    ASSERT_EQ(RunNv({"delete", "LG", "--graphics", "--port", sim.Port(), "--ledger",
                     (dir.Path() / "other.json").string()})
                  .exit,
              0);
    const NvRun again = RunNv(store);
    EXPECT_EQ(again.exit, 0) << again.err;
    EXPECT_NE(again.err.find("the printer does not list the key; writing"), std::string::npos)
        << again.err;
    EXPECT_NE(again.out.find("stored 1 graphic as LG"), std::string::npos) << again.out;
    EXPECT_EQ(Records(ledger).size(), 2u);
}

TEST(LedgerUnconfirmed, AStoreThePrinterDidNotConfirmIsNotRecorded) {
    const struct {
        const char* name;
        std::vector<std::string> simArgs;
        std::vector<std::string> nvArgs;
        int exit;
        const char* says;
    } cases[] = {
        {"confirmation too late",
         {"--nv-busy-ms", "3000"},
         {"--confirm-timeout", "0.5"},
         1,
         "did not confirm the write"},
        {"a printer that cannot confirm", {"--no-answers"}, {}, 0, "this printer cannot confirm"},
    };
    TempDir dir;
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> simArgs = {"--listen", "0"};
        simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
        Sim sim(dir.Path() / ("printer" + std::to_string(++n)), simArgs);
        ASSERT_TRUE(sim.Ready()) << sim.Banner();
        const fs::path ledger = dir.Path() / ("ledger" + std::to_string(n) + ".json");
        std::vector<std::string> args = {"store",    logo,       "--port",
                                         sim.Port(), "--ledger", ledger.string()};
        args.insert(args.end(), c.nvArgs.begin(), c.nvArgs.end());
        const NvRun run = RunNv(args);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
        EXPECT_TRUE(Records(ledger).empty());
    }
}

TEST(LedgerDailyNumber, TheEleventhWriteInADayIsRefusedUnlessForced) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path ledger = dir.Path() / "ledger.json";
    // Ten writes in the last day to this printer, one older, and one to another printer.
    Ledger book(ledger);
    for (int i = 0; i < 12; ++i) {
        LedgerWrite w;
        w.time = LedgerNow() - (i == 0 ? 25h : std::chrono::hours(i));
        w.printer = {sim.Port(), "Quillet Virtual Printer", i == 1 ? "QV0002" : "QV0001"};
        w.sha256 = std::string(64, 'a');
        w.images = 1;
        std::string warning, why;
        ASSERT_TRUE(book.Add({w}, LedgerNow(), warning, why)) << why;
    }
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    std::vector<std::string> args = {"store",    logo,       "--port",
                                     sim.Port(), "--ledger", ledger.string()};
    const NvRun refused = RunNv(args);
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("refused: the ledger counts 10 NV writes to this printer in the "
                               "last 24 hours"),
              std::string::npos)
        << refused.err;
    const std::size_t before = Records(ledger).size();
    args.push_back("--force");
    const NvRun forced = RunNv(args);
    EXPECT_EQ(forced.exit, 0) << forced.err;
    EXPECT_EQ(Records(ledger).size(), before + 1);
    // Only the forced run reached the printer's NV memory.
    EXPECT_EQ(NvWrites(sim), 1u);
}

TEST(LedgerTogether, RunsAtTheSameTimeOnManyPrintersAreAllRecorded) {
    TempDir dir;
    const fs::path ledger = dir.Path() / "ledger.json";
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    std::vector<std::unique_ptr<Sim>> sims;
    for (int i = 0; i < 4; ++i) {
        sims.push_back(std::make_unique<Sim>(dir.Path() / ("printer" + std::to_string(i)),
                                             std::vector<std::string>{"--listen", "0"}));
        ASSERT_TRUE(sims.back()->Ready()) << sims.back()->Banner();
    }
    std::vector<NvRun> runs(sims.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < sims.size(); ++i)
        threads.emplace_back([&, i] {
            runs[i] =
                RunNv({"store", logo, "--port", sims[i]->Port(), "--ledger", ledger.string()});
        });
    for (auto& t : threads)
        t.join();
    std::set<std::string> recorded;
    for (const LedgerWrite& w : Records(ledger))
        recorded.insert(w.printer.port);
    for (std::size_t i = 0; i < sims.size(); ++i) {
        EXPECT_EQ(runs[i].exit, 0) << runs[i].err;
        EXPECT_EQ(recorded.count(sims[i]->Port()), 1u) << sims[i]->Port();
    }
    EXPECT_EQ(recorded.size(), sims.size());
}

TEST(LedgerDamaged, IsSetAsideWithAWarningAndTheStoreRecorded) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path state = dir.Path() / "state";
    const fs::path ledger = state / "quillet" / "ledger.json";
    fs::create_directories(ledger.parent_path());
    const Bytes garbage = {'{', '"', 'w', 0xFF, 0x00, '[', '['};
    std::ofstream(ledger, std::ios::binary)
        .write(reinterpret_cast<const char*>(garbage.data()), std::streamsize(garbage.size()));
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    // The default place, from XDG_STATE_HOME.
    const NvRun run = RunNv({"store", logo, "--port", sim.Port(), "--if-changed"}, 60s,
                            {"XDG_STATE_HOME=" + state.string()});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.err.find("is damaged (it is not JSON); set aside as"), std::string::npos)
        << run.err;
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(ledger.parent_path()))
        if (entry.path().filename().string().rfind("ledger.json.damaged-", 0) == 0)
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), garbage);
    EXPECT_EQ(Records(ledger).size(), 1u);
}

// Every command with --dry-run: files read and converted, the line untouched. A status run after
// them is the first thing the printer ever saw.
TEST(DryRun, EveryCommandSaysWhatWouldGoAndSendsNothing) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path ledger = dir.Path() / "ledger.json";
    const auto fixtures = MakeFixtures(dir.Path());
    const std::string bmp = fixtures[0].file.string();
    const std::string png = fixtures[3].file.string();
    const struct {
        std::vector<std::string> args;
        const char* would;
    } cases[] = {
        {{"store", bmp, png, "--width", "160"}, "would store 2 images ("},
        {{"store", bmp, "--graphics", "--key", "LG"}, "would store 1 graphic as LG ("},
        {{"print", "1", "2"}, "would print 2 NV images ("},
        {{"print", "LG", "--graphics"}, "would print NV graphics LG ("},
        {{"raster", png}, "would print 1 picture ("},
        {{"setting", "bps", "9600"}, "would send setting bps 9600 (18 bytes)"},
        {{"delete", "--all", "--graphics"}, "would delete every NV graphic ("},
        {{"status"}, "would ask the status"},
        {{"info"}, "would ask the printer's IDs"},
        {{"list", "--graphics"}, "would ask the NV graphics keys"},
    };
    for (const auto& c : cases) {
        const std::string& command = c.args[0];
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port", sim.Port(), "--port", "/dev/null", "--dry-run"});
        if (command == "store" || command == "delete")
            args.insert(args.end(), {"--ledger", ledger.string()});
        if (command != "status" && command != "info" && command != "list")
            args.insert(args.end(), {"--save", (dir.Path() / "dry.bin").string()});
        const NvRun run = RunNv(args);
        SCOPED_TRACE(run.out + run.err);
        EXPECT_EQ(run.exit, 0);
        for (const std::string& port : {sim.Port(), std::string("/dev/null")})
            EXPECT_NE(run.out.find(port + ": " + c.would), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir.Path() / "dry.bin"));
    EXPECT_FALSE(fs::exists(ledger));

    // A bad file is still refused, as a run would refuse it.
    const NvRun bad = RunNv({"store", (dir.Path() / "missing.bmp").string(), "--port", sim.Port(),
                             "--dry-run", "--ledger", ledger.string()});
    EXPECT_EQ(bad.exit, 1);

    ASSERT_EQ(RunNv({"status", "--port", sim.Port()}).exit, 0);
    ASSERT_TRUE(sim.WaitForRaw(12, 5s));
    const auto log = sim.Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const auto& r) { return r.value("ev", "") == "connect"; }),
              1);
    EXPECT_EQ(sim.Raw().size(), 12u); // DLE EOT 1 to 4, from the status run alone
}

TEST(DryRun, SaysWhetherTheLedgerWouldSkipAndRefuse) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path ledger = dir.Path() / "ledger.json";
    const std::string logo = dir.Write("logo.bmp", BmpOf(Logo(1))).string();
    const std::vector<std::string> store = {"store",    logo,       "--port",
                                            sim.Port(), "--ledger", ledger.string()};
    auto dry = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = store;
        args.insert(args.end(), {"--dry-run", "--json"});
        args.insert(args.end(), extra.begin(), extra.end());
        const NvRun run = RunNv(args);
        EXPECT_EQ(run.exit, 0) << run.err;
        return nlohmann::json::parse(run.out.empty() ? "{}" : run.out);
    };
    EXPECT_EQ(dry({"--if-changed"})["skipped"], false);
    ASSERT_EQ(RunNv(store).exit, 0);
    const auto unchanged = dry({"--if-changed"});
    EXPECT_EQ(unchanged["skipped"], true);
    EXPECT_NE(unchanged["ledger"].get<std::string>().find("unchanged since"), std::string::npos);
    EXPECT_EQ(unchanged["nv_writes_24h"], 1);

    Ledger book(ledger);
    for (int i = 0; i < 9; ++i) {
        LedgerWrite w;
        w.time = LedgerNow();
        w.printer = {sim.Port(), "Quillet Virtual Printer", "QV0001"};
        w.sha256 = std::string(64, 'b');
        std::string warning, why;
        ASSERT_TRUE(book.Add({w}, LedgerNow(), warning, why)) << why;
    }
    const auto full = dry({});
    EXPECT_EQ(full["skipped"], false);
    EXPECT_EQ(full["refused"], true);
    EXPECT_EQ(full["nv_writes_24h"], 10);
    EXPECT_EQ(dry({"--force"})["refused"], false);
}

} // namespace
} // namespace quillet::nv::test
