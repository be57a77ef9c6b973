// Ports as the system sees them: one job per printer however it is named, a device another job
// holds, descriptors that are few, names that are slow to find, names that are not UTF-8, and a
// printer device without a back channel.
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

std::size_t Count(const std::vector<nlohmann::json>& log, const std::string& name) {
    return static_cast<std::size_t>(
        std::count_if(log.begin(), log.end(),
                      [&](const nlohmann::json& r) { return r.value("name", "") == name; }));
}

// "tcp:127.0.0.1:N" of a listening sim, with another host in front of its port.
std::string OtherHost(const std::string& tcpPort, const std::string& host) {
    return "tcp:" + host + tcpPort.substr(tcpPort.rfind(':'));
}

// Many printers at once, each in its own folder; their start-ups side by side.
std::vector<std::unique_ptr<Sim>> StartSims(const fs::path& dir, std::size_t count,
                                            const std::vector<std::string>& args) {
    std::vector<std::future<std::unique_ptr<Sim>>> starting;
    for (std::size_t i = 0; i < count; ++i)
        starting.push_back(std::async(std::launch::async, [&, i] {
            return std::make_unique<Sim>(dir / ("printer" + std::to_string(i)), args);
        }));
    std::vector<std::unique_ptr<Sim>> sims;
    for (auto& s : starting)
        sims.push_back(s.get());
    return sims;
}

TEST(OnePrinterOneJob, ANameGivenTwiceOrThroughALinkRunsOnce) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim pty(dir.Path() / "pty", {});
    Sim tcp(dir.Path() / "tcp", {"--listen", "0"});
    ASSERT_TRUE(pty.Ready() && tcp.Ready()) << pty.Banner() << tcp.Banner();
    const fs::path link = dir.Path() / "printer-link";
    fs::create_symlink(pty.Port(), link);

    const std::vector<std::string> ports = {pty.Port(),
                                            link.string(),
                                            tcp.Port(),
                                            OtherHost(tcp.Port(), "127.1"),
                                            OtherHost(tcp.Port(), "localhost"),
                                            pty.Port()};
    // Which earlier port each one is the same printer as (-1: its own).
    const int sameAs[] = {-1, 0, -1, 2, 2, 0};
    std::vector<std::string> args = {"store", fixtures[0].file.string(), "--json"};
    for (const std::string& p : ports)
        args.insert(args.end(), {"--port", p});
    const NvRun run = RunNv(args);
    EXPECT_EQ(run.exit, 0) << run.err;
    const auto results = JsonLines(run.out);
    ASSERT_EQ(results.size(), ports.size()) << run.out;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(ports[i]);
        EXPECT_EQ(results[i]["port"], ports[i]);
        EXPECT_EQ(results[i]["ok"], true);
        if (sameAs[i] < 0) {
            EXPECT_EQ(results[i]["confirmed"], true);
            EXPECT_FALSE(results[i].contains("same_printer_as"));
        } else {
            EXPECT_EQ(results[i]["same_printer_as"], ports[static_cast<std::size_t>(sameAs[i])]);
            EXPECT_EQ(results[i]["bytes"], 0);
            EXPECT_NE(run.err.find(ports[i] + ": the same printer as"), std::string::npos);
        }
    }
    pty.Stop();
    tcp.Stop();
    for (const Sim* sim : {&pty, &tcp}) {
        const auto log = sim->Log();
        EXPECT_EQ(Count(log, "FS q"), 1u) << sim->Port();
    }
}

TEST(OnePrinterOneJob, ADeviceAnotherJobHoldsIsRefusedWithItsHolderNamed) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    // Busy writing NV for four seconds after the download: the first job holds the line that long.
    Sim sim(dir.Path() / "printer", {"--nv-busy-ms", "4000"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    NvProcess holder({"store", fixtures[0].file.string(), "--port", sim.Port()},
                     {"/usr/bin/prlimit", "--nofile=32:1024"});
    ASSERT_TRUE(sim.WaitFor({{"name", "FS q"}}, 20s)) << "the first job's download never came";
    // It raised its soft limit on open files to the hard one at its start.
    EXPECT_EQ(Shell("grep 'Max open files' /proc/" + std::to_string(holder.Pid()) + "/limits"),
              "Max open files            1024                 1024                 files     \n");

    const NvRun refused = RunNv({"status", "--port", sim.Port()});
    EXPECT_EQ(refused.exit, 1) << refused.err;
    const std::string expected =
        "busy: held by quillet-nv (pid " + std::to_string(holder.Pid()) + ")";
    EXPECT_NE(refused.err.find(expected), std::string::npos) << refused.err;

    const NvRun first = holder.Wait(60s);
    EXPECT_EQ(first.exit, 0) << first.err;
    EXPECT_NE(first.out.find("and confirmed"), std::string::npos) << first.out;
    // Let go at its end: the device is free again, for anyone.
    const NvRun after = RunNv({"status", "--port", sim.Port()});
    EXPECT_EQ(after.exit, 0) << after.err;
}

TEST(Descriptors, OneHundredTwentyPrintersWithSixtyFourDescriptorsAllGetTheirJob) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    constexpr std::size_t kPrinters = 120;
    const auto sims = StartSims(dir.Path(), kPrinters, {"--listen", "0"});
    std::ofstream list(dir.Path() / "ports.txt");
    for (const auto& sim : sims) {
        ASSERT_TRUE(sim->Ready()) << sim->Banner();
        list << sim->Port() << "\n";
    }
    list.close();

    const NvRun run = RunNv({"store", fixtures[0].file.string(), "--ports",
                             (dir.Path() / "ports.txt").string(), "--json"},
                            180s, {}, {"/usr/bin/prlimit", "--nofile=64:64"});
    EXPECT_EQ(run.exit, 0) << run.err;
    const auto results = JsonLines(run.out);
    ASSERT_EQ(results.size(), kPrinters) << run.err;
    for (std::size_t i = 0; i < kPrinters; ++i) {
        SCOPED_TRACE(results[i].dump());
        EXPECT_EQ(results[i]["port"], sims[i]->Port());
        EXPECT_EQ(results[i]["confirmed"], true);
    }
    std::cout << kPrinters << " printers with 64 descriptors: " << run.seconds << " s\n";
}

TEST(Lookups, NamesThatHangAreGivenUpAtFiveSecondsAndCostNoOtherPrinterItsJob) {
    TempDir dir;
    const auto sims = StartSims(dir.Path(), 5, {"--listen", "0"});
    std::ofstream list(dir.Path() / "ports.txt");
    std::vector<std::string> ports;
    for (int i = 0; i < 300; ++i) {
        ports.push_back("tcp:till" + std::to_string(i) + ".slow.test:9100");
        if (i % 60 == 0) {
            const auto& sim = sims[static_cast<std::size_t>(i / 60)];
            ASSERT_TRUE(sim->Ready()) << sim->Banner();
            ports.push_back(OtherHost(sim->Port(), "till" + std::to_string(i) + ".fast.test"));
        }
    }
    for (const std::string& p : ports)
        list << p << "\n";
    list.close();

    const NvRun run = RunNv(
        {"status", "--ports", (dir.Path() / "ports.txt").string(), "--json"}, 28s,
        {std::string("LD_PRELOAD=") + QUILLET_SLOW_LOOKUP_SHIM, "QUILLET_SLOW_LOOKUP_SECONDS=40"});
    EXPECT_EQ(run.exit, 1) << run.err;
    // The program ends with its promise, not with the resolver, which hangs for 40 s.
    EXPECT_LT(run.seconds, 20.0);
    const auto results = JsonLines(run.out);
    ASSERT_EQ(results.size(), ports.size()) << run.err;
    std::size_t found = 0;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(results[i].dump());
        EXPECT_EQ(results[i]["port"], ports[i]);
        if (ports[i].find(".fast.test") != std::string::npos) {
            ++found;
            EXPECT_EQ(results[i]["status"]["ready"], true);
        } else {
            const std::string host = ports[i].substr(4, ports[i].rfind(':') - 4);
            EXPECT_EQ(results[i]["message"], "cannot find " + host + ": no answer in time");
            EXPECT_GE(results[i]["seconds"].get<double>(), 4.9);
            EXPECT_LT(results[i]["seconds"].get<double>(), 9.0);
        }
    }
    EXPECT_EQ(found, sims.size());
}

TEST(Json, NamesAndMessagesThatAreNotUtf8StillGiveOneValidObjectEach) {
    TempDir dir;
    Sim pty(dir.Path() / "pty", {});
    Sim tcp(dir.Path() / "tcp", {"--listen", "0"});
    ASSERT_TRUE(pty.Ready() && tcp.Ready()) << pty.Banner() << tcp.Banner();
    const std::string link = (dir.Path() / "till-\xff\xfe").string();
    fs::create_symlink(pty.Port(), link);
    const std::string missing = (dir.Path() / "gone-\xc3\x28").string();

    const NvRun run =
        RunNv({"status", "--json", "--port", link, "--port", missing, "--port", tcp.Port()});
    EXPECT_EQ(run.exit, 1) << run.err;
    const auto results = JsonLines(run.out);
    ASSERT_EQ(results.size(), 3u) << run.out;
    const std::string replaced = "\xEF\xBF\xBD"; // U+FFFD
    EXPECT_EQ(results[0]["port"], (dir.Path() / ("till-" + replaced + replaced)).string());
    EXPECT_EQ(results[0]["status"]["ready"], true);
    EXPECT_EQ(results[1]["exit"], 1);
    EXPECT_NE(results[1]["message"].get<std::string>().find("gone-" + replaced + "(: no such"),
              std::string::npos)
        << results[1];
    EXPECT_EQ(results[2]["port"], tcp.Port());
    EXPECT_EQ(results[2]["status"]["ready"], true);
}

TEST(OneWay, APrinterDeviceThatRefusesReadsTakesTheJobWithoutStatus) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    const NvRun run =
        RunNv({"store", fixtures[0].file.string(), "--port", sim.Port(), "--json"}, 60s,
              {std::string("LD_PRELOAD=") + QUILLET_ONE_WAY_SHIM,
               "QUILLET_ONE_WAY_DEVICE=" + sim.Port()});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.err.find("no status; going on"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("reading from the printer failed"), std::string::npos) << run.err;
    const auto results = JsonLines(run.out);
    ASSERT_EQ(results.size(), 1u) << run.out;
    EXPECT_EQ(results[0]["confirmed"], false);
    EXPECT_GT(results[0]["bytes"].get<int>(), 500);
    EXPECT_TRUE(sim.WaitFor({{"name", "FS q"}, {"stored", true}}, 10s));
}

} // namespace
} // namespace quillet::nv::test
