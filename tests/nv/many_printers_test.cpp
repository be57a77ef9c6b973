// One job on many printers at once, and the machine-readable output.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

TEST(ManyPrinters, EachGetsItsOwnResultAndTheFailuresDoNotStopTheOthers) {
    TempDir dir;
    // Two 576 x 200 logos: 28,811 bytes, 2.5 s on a line paced at 115200 baud.
    std::vector<std::string> files;
    for (int i = 0; i < 2; ++i) {
        Dots logo{576, 200, {}};
        for (std::uint32_t y = 0; y < 200; ++y)
            for (std::uint32_t x = 0; x < 576; ++x)
                logo.dots.push_back((x / 9 + y / 7 + i) % 3 == 0);
        files.push_back(dir.Write("logo" + std::to_string(i) + ".bmp", BmpOf(logo)).string());
    }
    const std::vector<std::string> paced = {"--listen", "0", "--baud", "115200"};

    Sim alone(dir.Path() / "alone", paced);
    ASSERT_TRUE(alone.Ready()) << alone.Banner();
    std::vector<std::string> args = {"store"};
    args.insert(args.end(), files.begin(), files.end());
    std::vector<std::string> one = args;
    one.insert(one.end(), {"--port", alone.Port()});
    const NvRun single = RunNv(one);
    ASSERT_EQ(single.exit, 0) << single.err;

    std::vector<std::unique_ptr<Sim>> sims;
    std::ofstream list(dir.Path() / "ports.txt");
    list << "# the shop's printers\n";
    for (int i = 0; i < 10; ++i) {
        std::vector<std::string> simArgs = paced;
        if (i == 6) // gone in the middle of its store
            simArgs.insert(simArgs.end(), {"--hangup-after", "10000"});
        sims.push_back(
            std::make_unique<Sim>(dir.Path() / ("printer" + std::to_string(i)), simArgs));
        ASSERT_TRUE(sims.back()->Ready()) << sims.back()->Banner();
        list << sims.back()->Port() << (i % 2 ? "   # till " + std::to_string(i) : "") << "\n";
    }
    list.close();
    sims[3]->Stop(); // gone before the job

    std::vector<std::string> all = args;
    all.insert(all.end(), {"--ports", (dir.Path() / "ports.txt").string(), "--quiet"});
    const NvRun run = RunNv(all, 120s);
    EXPECT_EQ(run.exit, 1) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::string> summary;
    for (std::string line; std::getline(lines, line);)
        summary.push_back(line);
    ASSERT_EQ(summary.size(), 10u) << run.out;
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(summary[i]);
        EXPECT_EQ(summary[i].rfind(sims[i]->Port() + ": ", 0), 0u);
        if (i == 3) {
            EXPECT_NE(summary[i].find("failed: cannot connect"), std::string::npos);
        } else if (i == 6) {
            // Its socket may take every byte before it goes: then the confirmation fails.
            EXPECT_NE(summary[i].find("the printer closed the line"), std::string::npos);
            EXPECT_EQ(summary[i].find("and confirmed"), std::string::npos);
        } else {
            EXPECT_NE(summary[i].find("stored 2 images (28,811 bytes) and confirmed"),
                      std::string::npos);
            EXPECT_TRUE(sims[i]->WaitFor({{"name", "FS q"}, {"stored", true}}, 5s));
        }
    }
    std::cout << "one printer: " << single.seconds << " s; ten printers at once: " << run.seconds
              << " s\n";
    // Side by side, not one after another (which would take ten times as long).
    EXPECT_LT(run.seconds, single.seconds * 4);
}

TEST(Json, EachCommandGivesOneObjectPerPrinter) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim ready(dir.Path() / "ready", {"--listen", "0", "--paper-near-end"});
    Sim open(dir.Path() / "open", {"--listen", "0", "--cover-open"});
    ASSERT_TRUE(ready.Ready() && open.Ready());
    const std::vector<std::string> ports = {"--port", ready.Port(), "--port", open.Port(),
                                            "--json"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), ports.begin(), ports.end());
        const NvRun r = RunNv(args);
        auto objects = JsonLines(r.out);
        EXPECT_EQ(objects.size(), 2u) << r.out;
        objects.resize(2);
        return std::make_pair(r.exit, objects);
    };

    const auto [statusExit, status] = run({"status"});
    EXPECT_EQ(statusExit, 3);
    EXPECT_EQ(status[0]["port"], ready.Port());
    EXPECT_EQ(status[0]["ok"], true);
    EXPECT_EQ(status[0]["status"]["paper_near_end"], true);
    EXPECT_EQ(status[1]["exit"], 3);
    EXPECT_EQ(status[1]["status"]["cover_open"], true);
    EXPECT_EQ(status[1]["status"]["ready"], false);

    const auto [infoExit, info] = run({"info"});
    EXPECT_EQ(infoExit, 0);
    EXPECT_EQ(info[0]["model_id"], 0x20);
    EXPECT_EQ(info[1]["model_name"], "Quillet Virtual Printer");

    const auto [listExit, list] = run({"list", "--graphics"});
    EXPECT_EQ(listExit, 0);
    EXPECT_TRUE(list[0]["keys"].is_array());
    EXPECT_GT(list[1]["capacity"].get<std::uint64_t>(), 0u);
    EXPECT_EQ(list[1]["capacity_left"], list[1]["capacity"]);

    const auto [storeExit, store] = run({"store", fixtures[0].file.string()});
    EXPECT_EQ(storeExit, 3);
    EXPECT_EQ(store[0]["ok"], true);
    EXPECT_EQ(store[0]["confirmed"], true);
    EXPECT_GT(store[0]["bytes"].get<int>(), 500);
    EXPECT_GE(store[0]["seconds"].get<double>(), 0.0);
    EXPECT_EQ(store[1]["ok"], false);
    EXPECT_EQ(store[1]["bytes"], 0);
    EXPECT_NE(store[1]["message"].get<std::string>().find("cover open"), std::string::npos);
}

} // namespace
} // namespace quillet::nv::test
