// store and print through every kind of line: the printer keeps the pictures dot for dot, and the
// bytes on the line are the --save file's.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

struct LineCase {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> nvArgs;
    bool answers; // a two-way line: status asked, the write confirmed
};

void PrintTo(const LineCase& line, std::ostream* os) {
    *os << line.name;
}

const Bytes kStatusQuestions = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02,
                                0x10, 0x04, 0x03, 0x10, 0x04, 0x04};
// The model name and serial number, for the ledger.
const Bytes kNameQuestions = {0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44};
const Bytes kConfirmQuestion = {0x1D, 0x72, 0x01};

std::vector<LineCase> Lines() {
    std::vector<LineCase> cases = {{"tcp", {"--listen", "0"}, {}, true},
                                   {"fifo", {"--fifo", "@/lp0"}, {}, false}};
    for (const char* baud : {"9600", "115200"}) {
        for (const char* flow : {"none", "xon-xoff", "rts-cts"}) {
            cases.push_back({"pty",
                             {"--baud", baud},
                             {"--baud", baud, "--flow", flow, "--nv-wait", "0.5"},
                             true});
        }
    }
    return cases;
}

class StorePrint : public ::testing::TestWithParam<LineCase> {};

TEST_P(StorePrint, PrinterKeepsThePicturesAndTheLineCarriesTheSavedBytes) {
    const LineCase& line = GetParam();
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    std::vector<std::string> simArgs;
    for (const std::string& a : line.simArgs)
        simArgs.push_back(a[0] == '@' ? (dir.Path() / a.substr(2)).string() : a);
    Sim sim(dir.Path() / "printer", simArgs);
    ASSERT_TRUE(sim.Ready()) << sim.Banner();

    std::vector<std::string> args = {"store"};
    for (const Fixture& f : fixtures)
        args.push_back(f.file.string());
    const fs::path saved = dir.Path() / "saved.bin";
    args.insert(args.end(), {"--width", "160", "--port", sim.Port(), "--save", saved.string()});
    args.insert(args.end(), line.nvArgs.begin(), line.nvArgs.end());
    const NvRun stored = RunNv(args);
    ASSERT_EQ(stored.exit, 0) << stored.err;
    if (line.answers) {
        EXPECT_NE(stored.out.find("stored 4 images"), std::string::npos) << stored.out;
        EXPECT_NE(stored.out.find("confirmed in"), std::string::npos) << stored.out;
    } else {
        EXPECT_NE(stored.out.find("sent; this printer cannot confirm"), std::string::npos)
            << stored.out;
        EXPECT_NE(stored.err.find("the printer gives no status; going on"), std::string::npos);
    }

    const Bytes payload = ReadFile(saved);
    ASSERT_GT(payload.size(), 2000u);
    EXPECT_EQ(payload[0], 0x1C);
    EXPECT_EQ(payload[2], 4);
    Bytes expected = line.answers ? kStatusQuestions : Bytes{};
    if (line.answers)
        expected.insert(expected.end(), kNameQuestions.begin(), kNameQuestions.end());
    expected.insert(expected.end(), payload.begin(), payload.end());
    ASSERT_TRUE(sim.WaitForRaw(expected.size(), 10s));
    ASSERT_EQ(WithoutProcessIdQuestions(payload), payload);
    Bytes raw = WithoutProcessIdQuestions(sim.Raw());
    // A line that may drop bytes asks for the confirmation more than once.
    while (line.answers && raw.size() >= expected.size() + 3 &&
           Bytes(raw.end() - 3, raw.end()) == kConfirmQuestion)
        raw.resize(raw.size() - 3);
    EXPECT_TRUE(raw == expected) << "raw " << raw.size() << " bytes, expected " << expected.size();
    ASSERT_TRUE(sim.WaitFor({{"name", "FS q"}, {"stored", true}}, 5s));

    const NvRun printed = RunNv({"print", "1", "2", "3", "4", "--port", sim.Port()}, 30s);
    ASSERT_EQ(printed.exit, 0) << printed.err;
    ASSERT_TRUE(sim.WaitForReceipts(1, 10s));
    std::vector<Dots> pictures;
    for (const Fixture& f : fixtures)
        pictures.push_back(f.dots);
    // Stored images are whole bands of eight dots high.
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts().front()), pictures, 8), "");
}

INSTANTIATE_TEST_SUITE_P(Lines, StorePrint, ::testing::ValuesIn(Lines()), [](const auto& info) {
    std::string name = info.param.name;
    for (std::size_t i = 0; i + 1 < info.param.nvArgs.size(); i += 2) {
        if (info.param.nvArgs[i] == "--baud" || info.param.nvArgs[i] == "--flow")
            name += "_" + info.param.nvArgs[i + 1];
    }
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST(Raster, PrintsEachPictureOnItsOwnReceipt) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    // Options before the files: --port takes one value, never the files after it.
    const NvRun run = RunNv({"raster", "--port", sim.Port(), fixtures[0].file.string(), "--width",
                             "160", fixtures[3].file.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    ASSERT_TRUE(sim.WaitForReceipts(2, 10s));
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts()[0]), {fixtures[0].dots}, 1), "");
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts()[1]), {fixtures[3].dots}, 1), "");
}

TEST(Setting, SendsTheDialogsPacket) {
    TempDir dir;
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path saved = dir.Path() / "packet.bin";
    const NvRun run =
        RunNv({"setting", "bps", "9600", "--port", sim.Port(), "--save", saved.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    // 02 00, code 81 00, eight zeros, length 1, code 82 00, data 00, check 00.
    const Bytes packet = {0x02, 0x00, 0x81, 0x00, 0,    0,    0,    0,    0,
                          0,    0,    0,    0x01, 0x00, 0x82, 0x00, 0x00, 0x00};
    EXPECT_EQ(ReadFile(saved), packet);
    EXPECT_TRUE(sim.WaitFor({{"check_ok", true}}, 5s));
}

} // namespace
} // namespace quillet::nv::test
