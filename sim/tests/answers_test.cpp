// The real quillet-sim answering a host over its pty and over TCP.
#include "png_file.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const Bytes kStatusQuestions = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03,
                                0x10, 0x04, 0x04, 0x1D, 0x72, 0x01, 0x1D, 0x72, 0x31};

// One 8 x 8 image whose column data holds 10 04 01, as a picture's bytes may.
const Bytes kImageData = {0x10, 0x04, 0x01, 0x80, 0x00, 0x00, 0x00, 0xFF};
Bytes fs_q_definition() {
    Bytes b = {0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00};
    b.insert(b.end(), kImageData.begin(), kImageData.end());
    return b;
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Host {
    int fd = -1;
    ~Host() {
        if (fd >= 0)
            close(fd);
    }
};

TEST(SimAnswers, StatusAndPaperSensorFollowTheState) {
    struct Case {
        std::vector<std::string> args;
        Bytes want; // DLE EOT 1-4, GS r 1, GS r 49
    };
    const Case cases[] = {
        {{}, {0x12, 0x12, 0x12, 0x12, 0x00, 0x00}},
        {{"--offline"}, {0x1A, 0x12, 0x12, 0x12, 0x00, 0x00}},
        {{"--cover-open"}, {0x1A, 0x16, 0x12, 0x12, 0x00, 0x00}},
        {{"--paper-near-end"}, {0x12, 0x12, 0x12, 0x1E, 0x03, 0x03}},
        {{"--paper-end"}, {0x1A, 0x32, 0x12, 0x72, 0x0C, 0x0C}},
        {{"--error", "cutter"}, {0x1A, 0x52, 0x1A, 0x12, 0x00, 0x00}},
        {{"--error", "unrecoverable", "--error", "auto-recoverable"},
         {0x1A, 0x52, 0x72, 0x12, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const auto& a : c.args)
            label += a + " ";
        SCOPED_TRACE(label);
        const std::string dir = unique_dir("sim-state");
        SimProcess sim(dir, c.args);
        ASSERT_TRUE(sim.ready());
        Host host{open_host(sim.pty(), false)};
        ASSERT_GE(host.fd, 0);
        ASSERT_TRUE(write_all(host.fd, kStatusQuestions));
        EXPECT_EQ(read_for(host.fd, milliseconds(5000), c.want.size()), c.want);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"answer\""}).size(), c.want.size());
        std::filesystem::remove_all(dir);
    }
}

TEST(SimAnswers, PrinterIdsOverTcpAndUnknownQuestionsGoUnanswered) {
    const std::string dir = unique_dir("sim-ids");
    SimProcess sim(dir, {"--listen", "0"});
    ASSERT_TRUE(sim.ready());
    ASSERT_GT(sim.port(), 0);
    Host host{connect_tcp(sim.port())};
    ASSERT_GE(host.fd, 0);
    auto text = [](const std::string& s) {
        Bytes b{0x5F};
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0x00);
        return b;
    };
    struct Case {
        std::uint8_t n;
        Bytes want;
    };
    const Case cases[] = {
        {1, {0x20}},
        {2, {0x02}},
        {3, {0x64}},
        {49, {0x20}},
        {50, {0x02}},
        {51, {0x64}},
        {65, text("1.00 ESC/POS")},
        {66, text("Quillet")},
        {67, text("Quillet Virtual Printer")},
        {68, text("QV0001")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.n});
        // An unknown n and DLE EOT 5 first: neither may answer, so the next answer is this one.
        ASSERT_TRUE(write_all(host.fd, {0x1D, 0x49, 0x05, 0x10, 0x04, 0x05, 0x1D, 0x49, c.n}));
        EXPECT_EQ(read_for(host.fd, milliseconds(5000), c.want.size()), c.want);
    }
    EXPECT_EQ(sim.log_lines({"\"ev\":\"unknown\"", "\"name\":\"GS I\"", "\"n\":5"}).size(),
              std::size(cases));
    EXPECT_EQ(sim.log_lines({"\"ev\":\"unknown\"", "\"name\":\"DLE EOT\"", "\"n\":5"}).size(),
              std::size(cases));
    std::filesystem::remove_all(dir);
}

TEST(SimAnswers, OneWayPrinterAnswersNothing) {
    const std::string dir = unique_dir("sim-no-answers");
    SimProcess sim(dir, {"--no-answers", "--offline"});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    ASSERT_TRUE(write_all(host.fd, cat(kStatusQuestions, {0x1D, 0x49, 0x01, 0x1B, 0x40})));
    ASSERT_TRUE(sim.wait_for({"\"name\":\"ESC @\"", "\"offset\":21"}, milliseconds(5000)));
    EXPECT_EQ(sim.log_lines({"\"name\":\"DLE EOT\""}).size(), 4u);
    EXPECT_TRUE(read_for(host.fd, milliseconds(300)).empty());
    EXPECT_TRUE(sim.log_lines({"\"ev\":\"answer\""}).empty());
    std::filesystem::remove_all(dir);
}

TEST(SimAnswers, NativeProgramOpensThePtyThroughItsLink) {
    const std::string dir = unique_dir("sim-native");
    const std::string link = dir + "-tty";
    SimProcess sim(dir, {"--pty-link", link});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(link, false, B115200)};
    ASSERT_GE(host.fd, 0);
    EXPECT_TRUE(sim.wait_for({"\"ev\":\"tty\"", "\"baud\":115200"}, milliseconds(3000)));
    ASSERT_TRUE(write_all(host.fd, {0x10, 0x04, 0x01}));
    EXPECT_EQ(read_for(host.fd, milliseconds(5000), 1), Bytes{0x12});
    std::filesystem::remove_all(dir);
}

// The answer to a DLE EOT inside image data comes before the image is complete, and the image
// is stored whole; without the option the same bytes are data only.
TEST(SimAnswers, StatusInsideImageDataIsAnsweredOnArrivalOnlyWithTheOption) {
    for (const bool option : {true, false}) {
        SCOPED_TRACE(option);
        const std::string dir = unique_dir("sim-dle-data");
        std::vector<std::string> args = {"--listen", "0"};
        if (option)
            args.push_back("--answer-dle-in-data");
        SimProcess sim(dir, args);
        ASSERT_TRUE(sim.ready());
        Host host{connect_tcp(sim.port())};
        ASSERT_GE(host.fd, 0);
        const Bytes def = fs_q_definition();
        const std::size_t cut = 7 + 3; // header and the 10 04 01
        ASSERT_TRUE(write_all(host.fd, Bytes(def.begin(), def.begin() + cut)));
        if (option) {
            EXPECT_EQ(read_for(host.fd, milliseconds(5000), 1), Bytes{0x12});
            EXPECT_EQ(
                sim.log_lines({"\"ev\":\"answer\"", "\"on_arrival\":true", "\"offset\":7"}).size(),
                1u);
        }
        ASSERT_TRUE(sim.log_lines({"\"name\":\"FS q\""}).empty());
        // The rest, printing it, and one DLE EOT at a command boundary.
        Bytes rest(def.begin() + cut, def.end());
        rest = cat(rest, {0x1C, 0x70, 0x01, 0x00, 0x1B, 0x69, 0x10, 0x04, 0x01});
        ASSERT_TRUE(write_all(host.fd, rest));
        ASSERT_TRUE(sim.wait_for({"\"name\":\"DLE EOT\"", "\"offset\":21"}, milliseconds(5000)));
        EXPECT_EQ(read_for(host.fd, milliseconds(5000), 1), Bytes{0x12});
        EXPECT_TRUE(read_for(host.fd, milliseconds(300)).empty()); // never twice
        EXPECT_EQ(sim.log_lines({"\"ev\":\"answer\""}).size(), option ? 2u : 1u);
        if (option)
            EXPECT_EQ(sim.log_lines({"\"name\":\"DLE EOT\"", "\"on_arrival\":\"answered\""}).size(),
                      1u);
        ASSERT_EQ(sim.log_lines({"\"name\":\"FS q\"", "\"stored\":true"}).size(), 1u);
        ASSERT_TRUE(sim.wait_for({"\"ev\":\"receipt\""}, milliseconds(3000)));
        sim::DotPicture pic;
        ASSERT_TRUE(sim::read_png_dots(dir + "/receipt-0001.png", pic));
        for (int col = 0; col < 8; ++col)
            for (int row = 0; row < 8; ++row)
                EXPECT_EQ(pic.dot(col, row), (kImageData[col] & (0x80 >> row)) != 0)
                    << col << "," << row;
        std::filesystem::remove_all(dir);
    }
}

TEST(SimAnswers, PaperSensorSentDuringTheNvWriteIsAnsweredAfterIt) {
    const std::string dir = unique_dir("sim-busy");
    SimProcess sim(dir, {"--listen", "0", "--nv-busy-ms", "1500"});
    ASSERT_TRUE(sim.ready());
    Host host{connect_tcp(sim.port())};
    ASSERT_GE(host.fd, 0);
    const auto t0 = Clock::now();
    ASSERT_TRUE(write_all(host.fd, cat(fs_q_definition(), {0x1D, 0x72, 0x01})));
    EXPECT_EQ(read_for(host.fd, milliseconds(8000), 1), Bytes{0x00});
    const long took = ms_since(t0);
    EXPECT_GT(took, 1400);
    EXPECT_LT(took, 6000);
    EXPECT_EQ(
        sim.log_lines({"\"ev\":\"busy_start\"", "\"after\":\"FS q\"", "\"offset\":15"}).size(), 1u);
    const auto end = sim.log_lines({"\"ev\":\"busy_end\"", "\"queued\":3"});
    ASSERT_EQ(end.size(), 1u);
    EXPECT_GE(std::stol(end[0].substr(end[0].find("\"after_ms\":") + 11)), 1500);
    EXPECT_TRUE(sim.log_lines({"\"ev\":\"fault\""}).empty());
    std::filesystem::remove_all(dir);
}

// Read with the download, before the write began: a real printer's receive side has them then.
TEST(SimAnswers, RealTimeCommandQueuedBehindTheNvWriteIsAFaultAndUnanswered) {
    for (const bool option : {false, true}) {
        SCOPED_TRACE(option);
        const std::string dir = unique_dir("sim-busy-fault");
        std::vector<std::string> args = {"--nv-busy-ms", "1000"};
        if (option)
            args.push_back("--answer-dle-in-data");
        SimProcess sim(dir, args);
        ASSERT_TRUE(sim.ready());
        Host host{open_host(sim.pty(), false)};
        ASSERT_GE(host.fd, 0);
        ASSERT_TRUE(write_all(host.fd, cat(fs_q_definition(), {0x10, 0x04, 0x01, 0x10, 0x05, 0x02,
                                                               0x1D, 0x72, 0x01})));
        // Answered on arrival, before the write began: the image's own 10 04 01 and the one after.
        if (option)
            EXPECT_EQ(read_for(host.fd, milliseconds(5000), 2), (Bytes{0x12, 0x12}));
        // Otherwise only the paper sensor answers, after the write.
        EXPECT_EQ(read_for(host.fd, milliseconds(8000), 1), Bytes{0x00});
        EXPECT_TRUE(read_for(host.fd, milliseconds(300)).empty());
        EXPECT_EQ(sim.log_lines({"\"ev\":\"busy_end\"", "\"queued\":9"}).size(), 1u);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"fault\"", "\"fault\":\"realtime_while_busy\"",
                                 "\"name\":\"DLE EOT\"", "\"offset\":15"})
                      .size(),
                  option ? 0u : 1u);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"fault\"", "\"name\":\"DLE ENQ\""}).size(), 1u);
        EXPECT_EQ(sim.log_lines({"\"name\":\"DLE EOT\"", "\"on_arrival\":\"busy\""}).size(),
                  option ? 0u : 1u);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"answer\""}).size(), option ? 3u : 1u);
        std::filesystem::remove_all(dir);
    }
}

} // namespace
} // namespace simtest
