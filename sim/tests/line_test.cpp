// The real quillet-sim on a real pty, with this test as the host.
#include "png_file.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// n bytes of ESC @ pairs: harmless commands, one log record per pair.
Bytes init_commands(std::size_t n) {
    Bytes b;
    while (b.size() < n)
        b.push_back(b.size() % 2 ? 0x40 : 0x1B);
    return b;
}

// A raster header whose data are `rows` zero bytes of one byte each: cheap to decode.
Bytes blank_raster(int rows) {
    Bytes b = {0x1D,
               0x76,
               0x30,
               0x00,
               0x01,
               0x00,
               static_cast<std::uint8_t>(rows),
               static_cast<std::uint8_t>(rows >> 8)};
    b.resize(b.size() + static_cast<std::size_t>(rows), 0);
    return b;
}

std::uintmax_t file_size(const std::string& p) {
    std::error_code ec;
    const auto s = std::filesystem::file_size(p, ec);
    return ec ? 0 : s;
}

TEST(SimLine, XoffHoldsAWriterThatHonoursIt) {
    const std::string dir = unique_dir("sim-xoff");
    SimProcess sim(dir, {"--xoff-after", "100", "--xoff-ms", "1500"});
    ASSERT_TRUE(sim.ready());
    const int fd = open_host(sim.pty(), true);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(write_all(fd, init_commands(100)));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"xoff\"", "\"received\":100"}, milliseconds(3000)));
    std::this_thread::sleep_for(milliseconds(50));
    const auto t0 = Clock::now();
    ASSERT_TRUE(write_all(fd, init_commands(10)));
    const long held = ms_since(t0);
    EXPECT_GT(held, 1000);
    EXPECT_LT(held, 3000);
    EXPECT_TRUE(sim.wait_for({"\"ev\":\"xon\""}, milliseconds(100)));
    EXPECT_TRUE(sim.wait_for({"\"offset\":108", "ESC @"}, milliseconds(2000)));
    // The line discipline took both flow bytes; none reached the host's input.
    EXPECT_TRUE(read_for(fd, milliseconds(100)).empty());
    close(fd);
    EXPECT_EQ(sim.stop(), 0);
    std::filesystem::remove_all(dir);
}

TEST(SimLine, XoffAndXonReachAHostWithoutFlowControl) {
    const std::string dir = unique_dir("sim-xoff-plain");
    SimProcess sim(dir, {"--xoff-after", "2", "--xoff-ms", "400"});
    ASSERT_TRUE(sim.ready());
    const int fd = open_host(sim.pty(), false);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(write_all(fd, {0x1B, 0x40}));
    EXPECT_EQ(read_for(fd, milliseconds(3000), 1), Bytes{0x13});
    const auto t0 = Clock::now();
    EXPECT_EQ(read_for(fd, milliseconds(3000), 1), Bytes{0x11});
    EXPECT_GT(ms_since(t0), 300);
    EXPECT_LT(ms_since(t0), 1500);
    EXPECT_TRUE(read_for(fd, milliseconds(100)).empty());
    close(fd);
    std::filesystem::remove_all(dir);
}

TEST(SimLine, StallBlocksTheWriterUntilItsTimeIsUp) {
    const std::string dir = unique_dir("sim-stall");
    SimProcess sim(dir, {"--stall-after", "8", "--stall-ms", "1500", "--raw", dir + "/raw.bin"});
    ASSERT_TRUE(sim.ready());
    const int fd = open_host(sim.pty(), false);
    ASSERT_GE(fd, 0);
    const Bytes data = blank_raster(60000); // far more than the pty buffers hold
    ASSERT_TRUE(write_all(fd, Bytes(data.begin(), data.begin() + 8)));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"stall\"", "\"received\":8"}, milliseconds(3000)));
    const auto t0 = Clock::now();
    ASSERT_TRUE(write_all(fd, Bytes(data.begin() + 8, data.end())));
    const long blocked = ms_since(t0);
    EXPECT_GT(blocked, 1000);
    EXPECT_LT(blocked, 5000);
    EXPECT_TRUE(sim.wait_for({"\"ev\":\"resume\""}, milliseconds(1000)));
    const auto lines = sim.log_lines({"\"ev\":\"resume\""});
    ASSERT_EQ(lines.size(), 1u);
    const auto at = lines[0].find("\"after_ms\":");
    EXPECT_GE(std::stol(lines[0].substr(at + 11)), 1500);
    // Nothing was lost while the line stood still.
    const auto deadline = Clock::now() + milliseconds(5000);
    while (file_size(dir + "/raw.bin") < data.size() && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(file_size(dir + "/raw.bin"), data.size());
    close(fd);
    std::filesystem::remove_all(dir);
}

TEST(SimLine, HangupEndsTheLineAndReportsTheCommandCutShort) {
    const std::string dir = unique_dir("sim-hangup");
    SimProcess sim(dir, {"--hangup-after", "50"});
    ASSERT_TRUE(sim.ready());
    const int fd = open_host(sim.pty(), false);
    ASSERT_GE(fd, 0);
    Bytes b = init_commands(46);
    b.insert(b.end(), {0x02, 0x00, 0x81, 0x00});
    ASSERT_TRUE(write_all(fd, b));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"hangup\"", "\"received\":50"}, milliseconds(3000)));
    EXPECT_EQ(
        sim.log_lines({"\"ev\":\"truncated\"", "\"name\":\"config\"", "\"offset\":46"}).size(), 1u);
    std::this_thread::sleep_for(milliseconds(50));
    const std::uint8_t more[] = {0x0A};
    errno = 0;
    EXPECT_EQ(write(fd, more, 1), -1);
    EXPECT_EQ(errno, EIO);
    std::uint8_t buf[4];
    EXPECT_LE(read(fd, buf, sizeof buf), 0);
    EXPECT_LT(open(sim.pty().c_str(), O_RDWR | O_NOCTTY), 0);
    close(fd);
    EXPECT_EQ(sim.stop(), 0);
    std::filesystem::remove_all(dir);
}

TEST(SimLine, BaudPacingTakesSerialTime) {
    const std::string dir = unique_dir("sim-baud");
    SimProcess sim(dir, {"--baud", "9600", "--raw", dir + "/raw.bin"});
    ASSERT_TRUE(sim.ready());
    const int fd = open_host(sim.pty(), false);
    ASSERT_GE(fd, 0);
    const Bytes data = blank_raster(992); // 1000 bytes: 1.04 s at 9600 baud
    const auto t0 = Clock::now();
    ASSERT_TRUE(write_all(fd, data));
    while (file_size(dir + "/raw.bin") < data.size() && ms_since(t0) < 5000)
        std::this_thread::sleep_for(milliseconds(5));
    const long took = ms_since(t0);
    EXPECT_GT(took, 900);
    EXPECT_LT(took, 2500);
    EXPECT_EQ(file_size(dir + "/raw.bin"), data.size());
    close(fd);
    std::filesystem::remove_all(dir);
}

TEST(SimLine, LineSettingsAreReportedAndTheReplyFollowsTheOpen) {
    const std::string dir = unique_dir("sim-tty");
    SimProcess sim(dir, {"--reply", "10 04 12"});
    ASSERT_TRUE(sim.ready());
    const int fd = open(sim.pty().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    // A Linux pty always keeps 8 data bits and no parity, whatever the host asks for.
    t.c_cflag |= CRTSCTS | CSTOPB | PARENB;
    t.c_iflag |= IXON;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    EXPECT_TRUE(
        sim.wait_for({"\"ev\":\"tty\"", "\"baud\":19200", "\"crtscts\":true", "\"ixon\":true",
                      "\"ixoff\":false", "\"csize\":8", "\"parity\":\"none\"", "\"stop\":2"},
                     milliseconds(2000)));
    EXPECT_EQ(read_for(fd, milliseconds(3000), 3), (Bytes{0x10, 0x04, 0x12}));
    EXPECT_EQ(sim.log_lines({"\"ev\":\"reply\"", "\"trigger\":\"tty\""}).size(), 1u);
    close(fd);
    std::filesystem::remove_all(dir);
}

// Left in the build folder (sim/worked-example-out/) for a person to look at, wherever the tests
// were started from.
TEST(SimLine, WorkedExampleThroughThePtyAndTheStoreSurvivesARestart) {
    const std::string dir = QUILLET_SIM_BUILD_DIR "/worked-example-out";
    std::filesystem::remove_all(dir);
    const std::string link = unique_dir("sim-link");
    {
        SimProcess sim(dir, {"--pty-link", link});
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.pty());
        const int fd = open_host(link, true, B115200);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(
            write_all(fd, {0x1C, 0x71, 0x01, 0x02, 0x00, 0x01, 0x00, 0xC0, 0x40, 0xC0, 0x40, 0xC0,
                           0x40, 0xC0, 0x40, 0xC0, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
        ASSERT_TRUE(sim.wait_for({"\"name\":\"FS q\"", "\"stored\":true"}, milliseconds(3000)));
        close(fd);
        EXPECT_EQ(sim.stop(), 0);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"exit\""}).size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    SimProcess sim(dir, {"--exit-after-idle", "300"});
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(sim.log_lines({"\"ev\":\"start\"", "\"stored_images\":1"}).size(), 1u);
    const int fd = open_host(sim.pty(), true, B115200);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(write_all(fd, {0x1C, 0x70, 0x01, 0x30, 0x0A, 0x0A, 0x0A, 0x0C, 0x1B, 0x6D}));
    EXPECT_EQ(sim.wait_exit(milliseconds(3000)), 0);
    EXPECT_EQ(sim.log_lines({"\"ev\":\"idle\""}).size(), 1u);
    ASSERT_EQ(sim.log_lines({"\"ev\":\"receipt\"", "receipt-0001.png"}).size(), 1u);
    sim::DotPicture pic;
    ASSERT_TRUE(sim::read_png_dots(dir + "/receipt-0001.png", pic));
    const char* rows[] = {"X.X.X.X.X.", "XXXXXXXXXX", ".........X"};
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            ASSERT_EQ(pic.dot(x, y), y < 3 && x < 10 && rows[y][x] == 'X') << x << "," << y;
    close(fd);
}

} // namespace
} // namespace simtest
