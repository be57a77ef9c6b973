// The sim's other lines: TCP on 127.0.0.1 (one job per connection, faults) and a FIFO.
#include "sim_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace simtest {
namespace {

using std::chrono::milliseconds;

std::size_t first_line_index(const SimProcess& sim, const std::vector<std::string>& fragments,
                             const std::vector<std::string>& all) {
    const auto found = sim.log_lines(fragments);
    if (found.empty())
        return SIZE_MAX;
    return static_cast<std::size_t>(std::find(all.begin(), all.end(), found[0]) - all.begin());
}

TEST(SimTcp, JobsInARowEachOnItsOwnConnection) {
    const std::string dir = unique_dir("sim-tcp-jobs");
    SimProcess sim(dir, {"--listen", "0"});
    ASSERT_TRUE(sim.ready());
    for (int job = 0; job < 3; ++job) {
        SCOPED_TRACE(job);
        const int fd = connect_tcp(sim.port());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(write_all(fd, {0x10, 0x04, 0x01}));
        EXPECT_EQ(read_for(fd, milliseconds(5000), 1), Bytes{0x12});
        if (job == 1)
            ASSERT_TRUE(write_all(fd, {0x1D, 0x76, 0x30, 0x00, 0x01})); // cut short by the close
        close(fd);
        ASSERT_TRUE(sim.wait_for(
            {"\"ev\":\"disconnect\"", "\"received\":" + std::to_string(job < 1 ? 3 : 11)},
            milliseconds(5000)));
    }
    EXPECT_EQ(sim.log_lines({"\"ev\":\"connect\""}).size(), 3u);
    EXPECT_EQ(sim.log_lines({"\"ev\":\"answer\""}).size(), 3u);
    // The third job was read from a clean start, not as the rest of the raster header.
    EXPECT_EQ(sim.log_lines({"\"ev\":\"truncated\"", "\"name\":\"GS v 0\"", "\"offset\":6"}).size(),
              1u);
    EXPECT_EQ(sim.log_lines({"\"ev\":\"cmd\"", "\"name\":\"DLE EOT\"", "\"offset\":11"}).size(),
              1u);
    std::filesystem::remove_all(dir);
}

TEST(SimTcp, HangupClosesTheConnectionAndRefusesTheNext) {
    const std::string dir = unique_dir("sim-tcp-hangup");
    SimProcess sim(dir, {"--listen", "0", "--hangup-after", "4"});
    ASSERT_TRUE(sim.ready());
    const int fd = connect_tcp(sim.port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(write_all(fd, {0x1B, 0x40, 0x1B, 0x40, 0x1B, 0x40}));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"hangup\"", "\"received\":4"}, milliseconds(5000)));
    // The host sees the end of its connection, then nobody listens any more.
    EXPECT_TRUE(read_for(fd, milliseconds(3000)).empty());
    std::uint8_t b = 0;
    EXPECT_EQ(read(fd, &b, 1), 0);
    close(fd);
    EXPECT_LT(connect_tcp(sim.port()), 0);
    std::filesystem::remove_all(dir);
}

TEST(SimTcp, StallStopsReadingAndXoffArrivesAsData) {
    const std::string dir = unique_dir("sim-tcp-faults");
    SimProcess sim(dir, {"--listen", "0", "--stall-after", "4", "--stall-ms", "500", "--xoff-after",
                         "2", "--xoff-ms", "300"});
    ASSERT_TRUE(sim.ready());
    const int fd = connect_tcp(sim.port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(write_all(fd, {0x1B, 0x40, 0x1B, 0x40, 0x1B, 0x40, 0x0A}));
    EXPECT_EQ(read_for(fd, milliseconds(5000), 2), (Bytes{0x13, 0x11}));
    ASSERT_TRUE(sim.wait_for({"\"name\":\"LF\"", "\"offset\":6"}, milliseconds(5000)));
    // Nothing after the stall point was decoded before the line moved again.
    std::vector<std::string> all = sim.log_lines({});
    const std::size_t resume = first_line_index(sim, {"\"ev\":\"resume\""}, all);
    const std::size_t third = first_line_index(sim, {"\"name\":\"ESC @\"", "\"offset\":4"}, all);
    ASSERT_NE(resume, SIZE_MAX);
    EXPECT_LT(resume, third);
    const std::string r = sim.log_lines({"\"ev\":\"resume\""})[0];
    EXPECT_GE(std::stol(r.substr(r.find("\"after_ms\":") + 11)), 500);
    close(fd);
    std::filesystem::remove_all(dir);
}

TEST(SimFifo, ReadsAcrossWritersAndAnswersNothing) {
    const std::string dir = unique_dir("sim-fifo");
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/lp0";
    {
        // Nothing can go back on this line, hostile modes included.
        SimProcess sim(
            dir, {"--fifo", path, "--hangup-after", "100", "--echo", "--auto-status-ms", "20"});
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(sim.fifo(), path);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        EXPECT_EQ(sim.log_lines({"\"ev\":\"start\"", "\"answers\":false"}).size(), 1u);
        // A raster image split over two writers, then a status question.
        const std::vector<Bytes> writes = {{0x1D, 0x76, 0x30, 0x00, 0x01, 0x00},
                                           {0x02, 0x00, 0xFF, 0x80, 0x10, 0x04, 0x01, 0x1B, 0x69}};
        for (const Bytes& w : writes) {
            const int fd = open(path.c_str(), O_WRONLY);
            ASSERT_GE(fd, 0);
            ASSERT_TRUE(write_all(fd, w));
            close(fd);
        }
        ASSERT_TRUE(sim.wait_for({"\"name\":\"ESC i\"", "\"offset\":13"}, milliseconds(5000)));
        EXPECT_EQ(sim.log_lines({"\"name\":\"GS v 0\"", "\"y\":2"}).size(), 1u);
        EXPECT_EQ(sim.log_lines({"\"name\":\"DLE EOT\"", "\"offset\":10"}).size(), 1u);
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"answer\""}).empty());
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"echo\""}).empty());
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"auto_status\""}).empty());
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"unknown\""}).empty());
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"truncated\""}).empty());
    }
    // The device is gone with the printer.
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

TEST(SimFifo, RefusesToReplaceAFileThatIsNoFifo) {
    const std::string dir = unique_dir("sim-fifo-file");
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/not-a-fifo";
    { std::ofstream(path) << "keep me"; }
    SimProcess sim(dir, {"--fifo", path});
    EXPECT_FALSE(sim.ready());
    EXPECT_EQ(sim.wait_exit(milliseconds(5000)), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace simtest
