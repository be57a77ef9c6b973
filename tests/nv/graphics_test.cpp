// NV graphics by key: stored, listed, printed, deleted, refused when they do not fit, and bad
// keys or sizes refused before a byte.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

nlohmann::json List(const Sim& sim) {
    const NvRun run = RunNv({"list", "--graphics", "--json", "--port", sim.Port()});
    EXPECT_EQ(run.exit, 0) << run.err;
    return nlohmann::json::parse(run.out);
}

std::uint64_t Need(const Dots& d) {
    return (d.width + 7) / 8 * std::uint64_t{d.height} + 14;
}

TEST(Graphics, StoredByKeyPrintedListedAndDeleted) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const auto before = List(sim);
    const std::uint64_t capacity = before["capacity_left"];
    EXPECT_EQ(before["keys"].size(), 0u);

    const std::vector<std::string> keys = {"A1", "zz", " !", "~K"};
    std::vector<std::string> args = {"store", "--graphics", "--width", "160", "--port", sim.Port()};
    std::uint64_t need = 0;
    for (std::size_t i = 0; i < fixtures.size(); ++i) {
        args.insert(args.end(), {fixtures[i].file.string(), "--key", keys[i]});
        need += Need(fixtures[i].dots);
    }
    const NvRun stored = RunNv(args);
    ASSERT_EQ(stored.exit, 0) << stored.err;
    EXPECT_NE(stored.out.find("stored 4 graphics as A1, zz,  ! and ~K"), std::string::npos)
        << stored.out;
    EXPECT_NE(stored.out.find("the printer lists them"), std::string::npos);

    const auto after = List(sim);
    std::vector<std::string> listed = after["keys"];
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(listed, sorted);
    EXPECT_EQ(after["capacity_left"].get<std::uint64_t>(), capacity - need);

    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        const NvRun printed = RunNv({"print", keys[i], "--graphics", "--port", sim.Port()});
        ASSERT_EQ(printed.exit, 0) << printed.err;
        ASSERT_TRUE(sim.WaitForReceipts(i + 1, 10s));
        EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts()[i]), {fixtures[i].dots}, 1), "");
    }

    const NvRun one = RunNv({"delete", "zz", "--graphics", "--port", sim.Port()});
    ASSERT_EQ(one.exit, 0) << one.err;
    listed = List(sim)["keys"].get<std::vector<std::string>>();
    EXPECT_EQ(listed.size(), 3u);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "zz"), 0);

    const NvRun all = RunNv({"delete", "--all", "--graphics", "--port", sim.Port()});
    ASSERT_EQ(all.exit, 0) << all.err;
    const auto empty = List(sim);
    EXPECT_EQ(empty["keys"].size(), 0u);
    EXPECT_EQ(empty["capacity_left"], capacity);
}

TEST(Graphics, ASetThatDoesNotFitIsRefusedWithTheFigures) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0", "--nv-graphics-capacity", "600"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const std::uint64_t need = Need(fixtures[0].dots) + Need(fixtures[1].dots);
    const NvRun run = RunNv({"store", "--graphics", fixtures[0].file.string(),
                             fixtures[1].file.string(), "--port", sim.Port()});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("they need " + std::to_string(need) + " bytes"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("has 600 bytes left"), std::string::npos) << run.err;
    sim.Stop();
    // The status questions, the confirmation probe, the name questions, the capacity question,
    // the key list (a key stored again would free room), and nothing after it.
    const Bytes expected = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04,
                            0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44, 0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30,
                            0x33, 0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};
    EXPECT_EQ(WithoutProcessIdQuestions(sim.Raw()), expected);
}

// A key stored again frees its old picture: a nearly full store takes the new one under that key,
// and refuses it under another.
TEST(Graphics, AKeyStoredAgainReplacesItsPictureInAFullStore) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    const std::uint64_t need = Need(fixtures[0].dots);
    Sim sim(dir.Path() / "printer",
            {"--listen", "0", "--nv-graphics-capacity", std::to_string(need + 20)});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const std::string logo = fixtures[0].file.string();
    const NvRun first = RunNv({"store", "--graphics", logo, "--key", "A1", "--port", sim.Port()});
    ASSERT_EQ(first.exit, 0) << first.err;
    const NvRun again = RunNv({"store", "--graphics", logo, "--key", "A1", "--port", sim.Port()});
    EXPECT_EQ(again.exit, 0) << again.err;
    EXPECT_NE(again.out.find("and confirmed"), std::string::npos) << again.out;
    EXPECT_NE(again.err.find("A1 replace pictures of a size not known here"), std::string::npos)
        << again.err;
    const NvRun other = RunNv({"store", "--graphics", logo, "--key", "B2", "--port", sim.Port()});
    EXPECT_EQ(other.exit, 1) << other.out;
    EXPECT_NE(other.err.find("the graphics do not fit"), std::string::npos) << other.err;
    EXPECT_EQ(List(sim)["keys"], nlohmann::json({"A1"}));
}

TEST(Graphics, ALargePictureGoesThroughTheLongFormAndPrintsEqual) {
    TempDir dir;
    // 576 x 1000: 72,000 data bytes, more than GS ( L carries.
    Dots big{576, 1000, {}};
    for (std::uint32_t y = 0; y < big.height; ++y)
        for (std::uint32_t x = 0; x < big.width; ++x)
            big.dots.push_back((x / 13 + y / 17) % 2 == 0 && x != y);
    const fs::path file = dir.Write("big.bmp", BmpOf(big));
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const fs::path saved = dir.Path() / "saved.bin";
    const NvRun run = RunNv({"store", "--graphics", file.string(), "--key", "BG", "--port",
                             sim.Port(), "--save", saved.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    const Bytes bytes = ReadFile(saved);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0x1D, 0x38, 0x4C}));
    const NvRun printed = RunNv({"print", "BG", "--graphics", "--port", sim.Port()});
    ASSERT_EQ(printed.exit, 0) << printed.err;
    ASSERT_TRUE(sim.WaitForReceipts(1, 10s));
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts()[0]), {big}, 1), "");
}

TEST(Graphics, FortyFiveKeysAreListedAcrossTwoBlocks) {
    TempDir dir;
    std::vector<std::string> args = {"store", "--graphics"};
    for (int i = 0; i < 45; ++i) {
        Dots tiny{
            8, 2, {static_cast<std::uint8_t>(i % 2), 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}};
        args.push_back(dir.Write("t" + std::to_string(i) + ".bmp", BmpOf(tiny)).string());
    }
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    args.insert(args.end(), {"--port", sim.Port()});
    const NvRun run = RunNv(args);
    ASSERT_EQ(run.exit, 0) << run.err;
    const auto list = List(sim);
    ASSERT_EQ(list["keys"].size(), 45u) << list.dump();
    EXPECT_EQ(list["keys"][0], "01");
    EXPECT_TRUE(sim.WaitFor({{"ev", "key_list_reply"}}, 5s)); // the second block was asked for
}

TEST(Graphics, BadKeysAndSizesAreRefusedBeforeAnyByte) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    dir.Write("tall.bmp", BmpOf(Dots{8, 2305, std::vector<std::uint8_t>(8 * 2305, 1)}));
    dir.Write("wide.bmp", BmpOf(Dots{8193, 1, std::vector<std::uint8_t>(8193, 1)}));
    const std::string logo = fixtures[0].file.string();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exit;
        const char* message;
    };
    const Case cases[] = {
        {"one character", {"store", "--graphics", logo, "--key", "A"}, 2, "bad key 'A'"},
        {"three characters", {"store", "--graphics", logo, "--key", "ABC"}, 2, "bad key 'ABC'"},
        {"control character", {"store", "--graphics", logo, "--key", "A\x01"}, 2, "bad key"},
        {"print bad key", {"print", "--graphics", "K\x7F"}, 2, "bad key"},
        {"height 2305",
         {"store", "--graphics", (dir.Path() / "tall.bmp").string()},
         1,
         "does not fit"},
        {"width 8193",
         {"store", "--graphics", (dir.Path() / "wide.bmp").string()},
         1,
         "does not fit"},
        {"list without --graphics", {"list"}, 2, "add --graphics"},
    };
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port", sim.Port()});
        const NvRun run = RunNv(args);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    sim.Stop();
    EXPECT_TRUE(sim.Raw().empty()) << sim.Raw().size() << " bytes reached the printer";
}

} // namespace
} // namespace quillet::nv::test
