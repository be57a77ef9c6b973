// Jobs through CUPS queues: a scheduler of the tests' own with raw queues in front of the virtual
// printer on loopback.
#include "cups_scheduler.h"
#include "fixtures.h"
#include "nv_test_support.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <unistd.h>

namespace quillet::nv::test {
namespace {

using namespace std::chrono_literals;

// A loopback port nobody listens on (for now).
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

std::string SocketUri(const Sim& sim) {
    return "socket://127.0.0.1:" + sim.Port().substr(sim.Port().rfind(':') + 1);
}

class CupsQueues : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        scheduler_ = new CupsScheduler(dir_->Path() / "cups");
    }
    static void TearDownTestSuite() {
        delete scheduler_;
        delete dir_;
    }
    void SetUp() override { ASSERT_TRUE(scheduler_->Ready()) << scheduler_->Why(); }

    NvRun Nv(const std::vector<std::string>& args, std::chrono::milliseconds limit = 60s) {
        return RunNv(args, limit, {scheduler_->Env()});
    }

    static TempDir* dir_;
    static CupsScheduler* scheduler_;
};

TempDir* CupsQueues::dir_ = nullptr;
CupsScheduler* CupsQueues::scheduler_ = nullptr;

TEST_F(CupsQueues, StoreThenPrintGoThroughTheQueueByteForByte) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    ASSERT_TRUE(scheduler_->AddRawQueue("receipt", SocketUri(sim)));

    std::vector<std::string> args = {"store"};
    for (const Fixture& f : fixtures)
        args.push_back(f.file.string());
    const fs::path saved = dir.Path() / "saved.bin";
    args.insert(args.end(), {"--width", "160", "--port", "cups:receipt", "--save", saved.string()});
    const NvRun stored = Nv(args);
    ASSERT_EQ(stored.exit, 0) << stored.err;
    const std::regex line(R"(sent [0-9,]+ bytes through cups:receipt as job [0-9]+ and delivered )"
                          R"(in [0-9.]+ s; the printer itself cannot confirm\n)");
    EXPECT_TRUE(std::regex_match(stored.out, line)) << stored.out;

    // No status questions, no confirmation question: exactly the saved job.
    const Bytes payload = ReadFile(saved);
    ASSERT_GT(payload.size(), 2000u);
    ASSERT_TRUE(sim.WaitForRaw(payload.size(), 10s));
    EXPECT_TRUE(sim.Raw() == payload) << sim.Raw().size() << " bytes, saved " << payload.size();
    ASSERT_TRUE(sim.WaitFor({{"name", "FS q"}, {"stored", true}}, 5s));

    const NvRun printed = Nv({"print", "1", "2", "3", "4", "--port", "cups:receipt", "--json"});
    ASSERT_EQ(printed.exit, 0) << printed.err;
    const auto json = nlohmann::json::parse(printed.out);
    EXPECT_EQ(json["delivered"], true);
    EXPECT_GT(json["queue_job"].get<long>(), 0);
    ASSERT_TRUE(sim.WaitForReceipts(1, 10s));
    std::vector<Dots> pictures;
    for (const Fixture& f : fixtures)
        pictures.push_back(f.dots);
    EXPECT_EQ(CompareStacked(ReadDots(sim.Receipts().front()), pictures, 8), "");
}

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    int exit;
    const char* says;
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class QueueRefusals : public CupsQueues, public ::testing::WithParamInterface<Refusal> {};

TEST_P(QueueRefusals, NothingIsQueued) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    Sim sim(dir.Path() / "printer", {"--listen", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    ASSERT_TRUE(scheduler_->AddRawQueue("known", SocketUri(sim)));
    ASSERT_TRUE(scheduler_->AddRawQueue("halted", SocketUri(sim)));
    ASSERT_TRUE(scheduler_->Tool("cupsdisable halted"));
    ASSERT_TRUE(scheduler_->AddRawQueue("closed", SocketUri(sim)));
    ASSERT_TRUE(scheduler_->Tool("cupsreject closed"));

    const Refusal& refusal = GetParam();
    std::vector<std::string> args = refusal.args;
    for (std::string& a : args)
        if (a == "@picture")
            a = fixtures[0].file.string();
    const NvRun run = Nv(args, 30s);
    EXPECT_EQ(run.exit, refusal.exit) << run.err;
    EXPECT_NE(run.err.find(refusal.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    for (const char* queue : {"known", "halted", "closed"})
        EXPECT_EQ(scheduler_->OpenJobs(queue), "") << queue;
    EXPECT_TRUE(sim.Raw().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Queues, QueueRefusals,
    ::testing::Values(
        Refusal{"missing",
                {"print", "1", "--port", "cups:nowhere"},
                1,
                "has no queue 'nowhere'; its queues: "},
        Refusal{"stopped", {"store", "@picture", "--port", "cups:halted"}, 3, "stopped"},
        Refusal{"rejecting", {"print", "1", "--port", "cups:closed"}, 3, "rejecting jobs"},
        Refusal{"graphics_store",
                {"store", "@picture", "--graphics", "--port", "cups:known"},
                2,
                "add --no-status"},
        Refusal{"status", {"status", "--port", "cups:known"}, 2, "a print queue passes none on"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CupsQueues, JobForAnAbsentPrinterIsCancelledAndNeverPrints) {
    TempDir dir;
    const auto fixtures = MakeFixtures(dir.Path());
    const int port = FreePort();
    ASSERT_GT(port, 0);
    ASSERT_TRUE(scheduler_->AddRawQueue("absent", "socket://127.0.0.1:" + std::to_string(port)));

    const NvRun run =
        Nv({"store", fixtures[0].file.string(), "--port", "cups:absent", "--confirm-timeout", "3"},
           30s);
    EXPECT_EQ(run.exit, 1) << run.err;
    EXPECT_LT(run.seconds, 15.0);
    EXPECT_TRUE(std::regex_search(run.err, std::regex("job [0-9]+ was not done within 3.0 s and "
                                                      "was cancelled")))
        << run.err;
    EXPECT_EQ(scheduler_->OpenJobs("absent"), "");

    // The printer appears at that address: nothing is left to reach it.
    Sim sim(dir.Path() / "printer", {"--listen", std::to_string(port)});
    ASSERT_TRUE(sim.Ready()) << sim.Banner();
    EXPECT_FALSE(sim.WaitForRaw(1, 3s));
    EXPECT_EQ(scheduler_->OpenJobs("absent"), "");
}

TEST_F(CupsQueues, QueuesAndANetworkPrinterInOneRun) {
    TempDir dir;
    Sim queued(dir.Path() / "queued", {"--listen", "0"});
    Sim direct(dir.Path() / "direct", {"--listen", "0"});
    ASSERT_TRUE(queued.Ready() && direct.Ready());
    ASSERT_TRUE(scheduler_->AddRawQueue("till", SocketUri(queued)));
    const NvRun run = Nv(
        {"print", "1", "--port", "cups:till", "--port", direct.Port(), "--port", "cups:nowhere"});
    EXPECT_EQ(run.exit, 1) << run.err;
    std::istringstream lines(run.out);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(first.rfind("cups:till: sent ", 0), 0u) << run.out;
    EXPECT_NE(first.find("as job"), std::string::npos) << run.out;
    EXPECT_EQ(second.rfind(direct.Port() + ": sent print", 0), 0u) << run.out;
    EXPECT_EQ(third.rfind("cups:nowhere: failed: ", 0), 0u) << run.out;
    EXPECT_TRUE(queued.WaitForRaw(5, 10s));
    EXPECT_TRUE(direct.WaitForRaw(5, 10s));
}

TEST_F(CupsQueues, PortsListsTheQueuesAndMarksTheDefault) {
    ASSERT_TRUE(scheduler_->AddRawQueue("shelf", "socket://127.0.0.1:9101"));
    ASSERT_TRUE(scheduler_->Tool("lpadmin -d shelf"));
    const NvRun text = Nv({"ports"}, 30s);
    EXPECT_EQ(text.exit, 0) << text.err;
    EXPECT_NE(text.out.find("cups:shelf  cups queue, socket://127.0.0.1:9101, idle, the default\n"),
              std::string::npos)
        << text.out;

    const NvRun json = Nv({"ports", "--json"}, 30s);
    EXPECT_EQ(json.exit, 0) << json.err;
    std::istringstream lines(json.out);
    bool found = false;
    for (std::string line; std::getline(lines, line);) {
        const auto object = nlohmann::json::parse(line);
        if (object["port"] == "cups:shelf") {
            found = true;
            EXPECT_EQ(object["kind"], "cups queue");
            EXPECT_EQ(object["detail"], "socket://127.0.0.1:9101");
            EXPECT_EQ(object["default"], true);
        }
    }
    EXPECT_TRUE(found) << json.out;
}

// No scheduler where CUPS_SERVER points: the queue's job and the port list say so.
TEST(CupsWithoutScheduler, SaysThePrintServiceIsNotThere) {
    TempDir dir;
    const std::string env = "CUPS_SERVER=" + (dir.Path() / "none.sock").string();
    const NvRun job = RunNv({"print", "1", "--port", "cups:receipt"}, 30s, {env});
    EXPECT_EQ(job.exit, 1);
    EXPECT_NE(
        job.err.find("not running or not reachable at " + (dir.Path() / "none.sock").string()),
        std::string::npos)
        << job.err;

    const NvRun ports = RunNv({"ports"}, 30s, {env});
    EXPECT_EQ(ports.exit, 0);
    EXPECT_EQ(ports.out.find("cups:"), std::string::npos) << ports.out;
    EXPECT_NE(ports.err.find("not running or not reachable"), std::string::npos) << ports.err;
}

} // namespace
} // namespace quillet::nv::test
