// Broken and hostile printers, as the virtual printer plays them: nothing they send by chance,
// echo or keep sending makes quillet-nv say "stored", and every case ends in bounded time and
// memory with its own exit status and JSON.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

struct HostileCase {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> nvArgs; // FILE: the logo; BIG: the large set
    int exit;
    std::vector<std::string> says; // one of them in standard output or error
    json facts;                    // fields of the JSON result
    double mostSeconds;            // the whole run
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<HostileCase> Cases() {
    const json notConfirmed = {{"confirmed", false}};
    return {
        {"automatic status blocks, answered by GS r",
         {"--auto-status", "--no-process-id"},
         {"store", "FILE"},
         0,
         {"and confirmed"},
         {{"confirmed", true}, {"confirmation", "gs-r"}},
         20},
        {"automatic status blocks through a write that is never confirmed",
         {"--auto-status", "--auto-status-ms", "100", "--no-process-id", "--nv-busy-ms", "15000"},
         {"store", "FILE", "--confirm-timeout", "2"},
         1,
         {"did not confirm the write within 2.0 s"},
         notConfirmed,
         8},
        {"an echoing line with a GS r printer",
         {"--echo", "--no-process-id"},
         {"store", "FILE"},
         1,
         {"the line echoes what is sent"},
         notConfirmed,
         20},
        {"an echoing line with a printer that answers process IDs",
         {"--echo"},
         {"store", "FILE"},
         0,
         {"and confirmed"},
         {{"confirmed", true}, {"confirmation", "process-id"}},
         20},
        {"a line that only echoes",
         {"--echo", "--no-answers"},
         {"store", "FILE"},
         0,
         {"cannot confirm (the line only echoes what is sent)"},
         {{"confirmed", false}, {"confirmation", nullptr}},
         20},
        {"a flood in place of a status",
         {"--flood", "400000000"},
         {"store", "FILE"},
         1,
         {"which is no status"},
         {{"bytes", 0}},
         20},
        {"a flood through a large store",
         {"--flood", "400000000"},
         {"store", "BIG", "--no-status"},
         0,
         {"not confirmed: --no-status"},
         {{"confirmed", false}},
         60},
        {"a key list that never ends",
         {"--endless-key-list"},
         {"list", "--graphics"},
         1,
         {"goes on past the 9,025 keys"},
         {{"keys", nullptr}},
         30},
        {"half a status",
         {"--half-status"},
         {"status"},
         1,
         {"no full status: the printer answered DLE EOT 1 but not DLE EOT 2"},
         {{"status", nullptr}},
         10},
        {"half a status before a store",
         {"--half-status"},
         {"store", "FILE"},
         1,
         {"no full status"},
         {{"bytes", 0}},
         10},
        {"stale process IDs before each answer",
         {"--stale-process-id"},
         {"store", "FILE"},
         0,
         {"and confirmed"},
         {{"confirmed", true}, {"confirmation", "process-id"}},
         20},
        {"the probe's ID sent again through a write that is never confirmed",
         {"--unasked-process-id-ms", "100", "--nv-busy-ms", "15000"},
         {"store", "FILE", "--confirm-timeout", "2"},
         1,
         {"did not confirm the write within 2.0 s"},
         notConfirmed,
         8},
        // The byte comes before the first question (unasked: no one-byte confirmation) or
        // after it (in place of the status); never "cannot confirm" with exit 0.
        {"a byte that is no status answer makes the line two-way",
         {"--no-answers", "--reply", "00"},
         {"store", "FILE"},
         1,
         {"bytes nobody asked for", "with 0x00, which is no status"},
         {{"ok", false}},
         20},
        {"--no-status says so",
         {},
         {"store", "FILE", "--no-status"},
         0,
         {"not confirmed: --no-status"},
         {{"confirmed", false}},
         20},
    };
}

// The pictures, made once: the logo and a large set (8 pictures of 1024 x 2304, 2.4 MB).
class Hostile : public ::testing::TestWithParam<HostileCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        logo_ = MakeFixtures(dir_->Path())[0].file.string();
        for (int i = 0; i < 8; ++i) {
            Dots dots{1024, 2304, std::vector<std::uint8_t>(1024 * 2304)};
            for (std::size_t d = 0; d < dots.dots.size(); ++d)
                dots.dots[d] = ((d / 1024 + d % 1024 + i) % 7) == 0;
            big_.push_back(dir_->Write("big" + std::to_string(i) + ".bmp", BmpOf(dots)).string());
        }
        // What the largest job takes from an ordinary printer: the yardstick for memory.
        Sim plain(dir_->Path() / "plain", {"--listen", "0"});
        if (plain.Ready()) {
            std::vector<std::string> args = {"store"};
            args.insert(args.end(), big_.begin(), big_.end());
            args.insert(args.end(), {"--port", plain.Port()});
            ordinaryPeakKb_ = RunNv(args, std::chrono::seconds(90)).peakKb;
        }
    }
    static void TearDownTestSuite() {
        delete dir_;
        big_.clear();
    }

    static TempDir* dir_;
    static std::string logo_;
    static std::vector<std::string> big_;
    static long ordinaryPeakKb_;
};

TempDir* Hostile::dir_ = nullptr;
std::string Hostile::logo_;
std::vector<std::string> Hostile::big_;
long Hostile::ordinaryPeakKb_ = 0;

// Beyond what an ordinary printer's job takes; a flood kept whole is hundreds of MB.
constexpr long kMostExtraKb = 64 * 1024;

TEST_P(Hostile, EndsTruthfullyInBoundedTimeAndMemory) {
    const HostileCase& c = GetParam();
    ASSERT_GT(ordinaryPeakKb_, 0) << "the ordinary store did not run";
    TempDir dir;
    std::vector<std::string> simArgs = {"--listen", "0"};
    simArgs.insert(simArgs.end(), c.simArgs.begin(), c.simArgs.end());
    Sim sim(dir.Path() / "printer", simArgs);
    ASSERT_TRUE(sim.Ready()) << sim.Banner();

    std::vector<std::string> args;
    for (const std::string& a : c.nvArgs) {
        if (a == "FILE")
            args.push_back(logo_);
        else if (a == "BIG")
            args.insert(args.end(), big_.begin(), big_.end());
        else
            args.push_back(a);
    }
    args.insert(args.end(), {"--port", sim.Port(), "--json"});
    const NvRun run = RunNv(args, 90s);
    EXPECT_EQ(run.exit, c.exit) << run.out << run.err;
    const std::string said = run.out + run.err;
    EXPECT_TRUE(std::any_of(c.says.begin(), c.says.end(), [&](const std::string& text) {
        return said.find(text) != std::string::npos;
    })) << said;
    EXPECT_LT(run.seconds, c.mostSeconds);
    EXPECT_LT(run.peakKb, ordinaryPeakKb_ + kMostExtraKb) << "ordinary: " << ordinaryPeakKb_;
    const json result = json::parse(run.out.substr(0, run.out.find('\n')), nullptr, false);
    ASSERT_TRUE(result.is_object()) << run.out;
    EXPECT_EQ(result["exit"], c.exit);
    for (const auto& [key, value] : c.facts.items())
        EXPECT_EQ(result.value(key, json("missing")), value) << key << " in " << result.dump();
    if (c.exit != 0)
        EXPECT_EQ((run.out + run.err).find("stored"), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(Printers, Hostile, ::testing::ValuesIn(Cases()), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

} // namespace
} // namespace quillet::nv::test
