// Process ID answers, hostile printers and the bounds the sim keeps, seen from the host's end.
#include "sim_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes process_id_question(const std::string& id) {
    return cat({{0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30}, text(id)});
}

Bytes process_id_answer(const std::string& id) {
    return cat({{0x37, 0x22}, text(id), {0x00}});
}

const Bytes kPaperSensor = {0x1D, 0x72, 0x01};
const Bytes kKeyList = {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};
const Bytes kFsQ = {0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0x01};

// Key list block `block` of a printer whose list never ends: all keys in order, then round again.
Bytes endless_block(std::size_t block) {
    Bytes b = {0x37, 0x72, 0x41};
    for (std::size_t i = block * 40; i < block * 40 + 40; ++i) {
        b.push_back(static_cast<std::uint8_t>(0x20 + (i % 9025) / 95));
        b.push_back(static_cast<std::uint8_t>(0x20 + i % 95));
    }
    b.push_back(0x00);
    return b;
}

// Every byte value in turn but XON and XOFF.
Bytes flood(std::size_t n) {
    Bytes b;
    for (unsigned v = 0; b.size() < n; ++v)
        if ((v & 0xFF) != 0x11 && (v & 0xFF) != 0x13)
            b.push_back(static_cast<std::uint8_t>(v));
    return b;
}

// An NV graphics function no printer has: its whole length is read, logged once, nothing done.
Bytes unknown_graphics_function(std::uint32_t body) {
    Bytes b = {0x1D,
               0x38,
               0x4C,
               static_cast<std::uint8_t>(body),
               static_cast<std::uint8_t>(body >> 8),
               static_cast<std::uint8_t>(body >> 16),
               static_cast<std::uint8_t>(body >> 24),
               0x30,
               0x7F};
    b.resize(b.size() + body - 2, 0x00);
    return b;
}

struct Host {
    int fd = -1;
    ~Host() {
        if (fd >= 0)
            close(fd);
    }
};

TEST(SimHostile, WhatTheHostGetsBackInEachMode) {
    struct Mode {
        const char* name;
        std::vector<std::string> args;
        Bytes send;
        Bytes want; // everything the host reads, in order
        std::vector<std::string> record;
        long min_ms = 0; // the answer comes no sooner
    };
    const Mode modes[] = {
        {"process id",
         {},
         process_id_question("A\"\\~"),
         process_id_answer("A\"\\~"),
         {"\"ev\":\"cmd\"", "\"name\":\"GS ( H\"", "\"id\":\"A\\\"\\\\~\""}},
        {"process id after the NV write",
         {"--nv-busy-ms", "600"},
         cat({kFsQ, process_id_question("ABCD")}),
         process_id_answer("ABCD"),
         {"\"ev\":\"answer\"", "\"name\":\"GS ( H\"", "\"offset\":15"},
         600},
        {"older printer ignores process id",
         {"--no-process-id"},
         cat({process_id_question("ABCD"), kPaperSensor}),
         {0x00},
         {"\"ev\":\"unknown\"", "\"name\":\"GS ( H\"", "\"fn\":48", "\"length\":6"}},
        {"process id byte out of range",
         {},
         cat({process_id_question("AB\x7F"
                                  "D"),
              kPaperSensor}),
         {0x00},
         {"\"ev\":\"refused\"", "\"name\":\"GS ( H\"",
          "\"reason\":\"id byte out of range 32-126\""}},
        {"automatic status blocks",
         {"--auto-status-ms", "100"},
         {},
         {0x14, 0x00, 0x00, 0x0F, 0x14, 0x00, 0x00, 0x0F},
         {"\"ev\":\"auto_status\"", "\"bytes\":\"14 00 00 0F\""},
         190},
        {"echo",
         {"--echo"},
         kPaperSensor,
         cat({kPaperSensor, {0x00}}),
         {"\"ev\":\"echo\"", "\"offset\":0", "\"count\":3"}},
        {"flood",
         {"--flood", "100000"},
         kPaperSensor,
         cat({{0x00}, flood(100000)}),
         {"\"ev\":\"flood_end\"", "\"sent\":100000"}},
        {"endless key list",
         {"--endless-key-list"},
         cat({kKeyList, {0x06, 0x15, 0x06, 0x18}, kPaperSensor}),
         cat({endless_block(0), endless_block(1), endless_block(1), endless_block(2), {0x00}}),
         {"\"ev\":\"cmd\"", "\"fn\":64", "\"endless\":true"}},
        {"half a status",
         {"--half-status"},
         {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04, 0x1D, 0x72, 0x01},
         {0x12, 0x00},
         {"\"ev\":\"withheld\"", "\"name\":\"DLE EOT\"", "\"n\":4", "\"offset\":9"}},
        {"stale process ids",
         {"--stale-process-id"},
         cat({process_id_question("AAAA"), process_id_question("BBBB")}),
         cat({process_id_answer("0000"), process_id_answer("AAAA"), process_id_answer("AAAA"),
              process_id_answer("BBBB")}),
         {"\"ev\":\"stale_process_id\"", "\"offset\":11", "\"bytes\":\"37 22 41 41 41 41 00\""}},
        {"unasked process ids",
         {"--unasked-process-id-ms", "100"},
         {},
         cat({process_id_answer("0000"), process_id_answer("0000")}),
         {"\"ev\":\"unasked_process_id\"", "\"bytes\":\"37 22 30 30 30 30 00\""},
         190},
    };
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        const std::string dir = unique_dir("sim-hostile");
        auto args = m.args;
        args.insert(args.end(), {"--listen", "0"});
        SimProcess sim(dir, args);
        ASSERT_TRUE(sim.ready());
        Host host{connect_tcp(sim.port())};
        ASSERT_GE(host.fd, 0);
        const auto t0 = Clock::now();
        ASSERT_TRUE(write_all(host.fd, m.send));
        EXPECT_EQ(read_for(host.fd, milliseconds(8000), m.want.size()), m.want);
        EXPECT_GE(ms_since(t0), m.min_ms);
        // Nothing more than that, unless the mode goes on sending by itself.
        if (m.min_ms == 0 || !m.send.empty())
            EXPECT_TRUE(read_for(host.fd, milliseconds(200), 1).empty());
        EXPECT_FALSE(sim.log_lines(m.record).empty());
        EXPECT_TRUE(sim.log_lines({"\"ev\":\"out_dropped\""}).empty());
        std::filesystem::remove_all(dir);
    }
}

// The unasked answer repeats the last ID the printer was asked with.
TEST(SimHostile, UnaskedProcessIdsRepeatTheLastQuestion) {
    const std::string dir = unique_dir("sim-unasked");
    SimProcess sim(dir, {"--listen", "0", "--unasked-process-id-ms", "150"});
    ASSERT_TRUE(sim.ready());
    Host host{connect_tcp(sim.port())};
    ASSERT_GE(host.fd, 0);
    ASSERT_TRUE(write_all(host.fd, process_id_question("QRST")));
    // One "0000" block may come first; every block after the answer carries its ID.
    Bytes seen = read_for(host.fd, milliseconds(5000), 7);
    if (seen == process_id_answer("0000"))
        seen = read_for(host.fd, milliseconds(5000), 7);
    EXPECT_EQ(seen, process_id_answer("QRST"));
    EXPECT_EQ(read_for(host.fd, milliseconds(5000), 14),
              cat({process_id_answer("QRST"), process_id_answer("QRST")}));
    EXPECT_EQ(sim.stop(), 0);
    const auto exit = sim.log_lines({"\"ev\":\"exit\"", "\"unasked_process_ids\":"});
    EXPECT_EQ(exit.size(), 1u);
    std::filesystem::remove_all(dir);
}

// A host that never reads: the sim keeps the newest answers and says once that it dropped some.
TEST(SimHostile, OutputQueueKeepsTheNewestWhenTheHostNeverReads) {
    const std::string dir = unique_dir("sim-out-queue");
    SimProcess sim(dir, {"--echo", "--out-queue", "4096"});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    Bytes sent = unknown_graphics_function(400000);
    sent.insert(sent.end(), {0x1B, 0x40});
    ASSERT_TRUE(write_all(host.fd, sent));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"cmd\"", "\"name\":\"ESC @\""}, milliseconds(30000)));
    ASSERT_EQ(sim.log_lines({"\"ev\":\"out_dropped\"", "\"out_queue\":4096"}).size(), 1u);
    // What is still held reaches the host once it reads; its end is the end of what was sent.
    const Bytes got = read_for(host.fd, milliseconds(3000));
    ASSERT_GE(got.size(), 4096u);
    EXPECT_LT(got.size(), sent.size() / 2);
    EXPECT_TRUE(std::equal(got.end() - 4096, got.end(), sent.end() - 4096));
    EXPECT_EQ(sim.stop(), 0);
    const auto exit = sim.log_lines({"\"ev\":\"exit\"", "\"out_dropped\":"});
    ASSERT_EQ(exit.size(), 1u);
    std::filesystem::remove_all(dir);
}

// While it writes NV memory the printer reads nothing: the host's writes stop once the line's
// buffers are full, and go on after the write.
TEST(SimHostile, TheHostsWritesBlockDuringTheNvWrite) {
    struct Line {
        const char* name;
        std::vector<std::string> args;
        std::size_t most; // what the line's buffers may take while the printer does not read
    };
    const Line lines[] = {
        {"pty", {}, 64 * 1024},
        // The host's own send buffer holds megabytes unless it is set small, as here.
        {"tcp with small buffers", {"--listen", "0", "--tcp-receive-buffer", "4096"}, 64 * 1024},
    };
    for (const Line& l : lines) {
        SCOPED_TRACE(l.name);
        const std::string dir = unique_dir("sim-busy-block");
        auto args = l.args;
        args.insert(args.end(), {"--nv-busy-ms", "1500"});
        SimProcess sim(dir, args);
        ASSERT_TRUE(sim.ready());
        Host host{sim.port() ? connect_tcp(sim.port()) : open_host(sim.pty(), false)};
        ASSERT_GE(host.fd, 0);
        const int small = 4096;
        if (sim.port())
            ASSERT_EQ(setsockopt(host.fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
        ASSERT_TRUE(write_all(host.fd, kFsQ));
        ASSERT_TRUE(sim.wait_for({"\"ev\":\"busy_start\""}, milliseconds(5000)));
        Bytes rest = unknown_graphics_function(1u << 20);
        rest.insert(rest.end(), kPaperSensor.begin(), kPaperSensor.end());
        // Written without waiting until the write ends or the line takes no more for a while.
        fcntl(host.fd, F_SETFL, fcntl(host.fd, F_GETFL) | O_NONBLOCK);
        std::size_t taken = 0;
        auto last = Clock::now();
        while (taken < rest.size() && ms_since(last) < 300 && sim.log_lines({"busy_end"}).empty()) {
            const ssize_t n = write(host.fd, rest.data() + taken, rest.size() - taken);
            if (n > 0) {
                taken += static_cast<std::size_t>(n);
                last = Clock::now();
            } else {
                usleep(1000);
            }
        }
        EXPECT_TRUE(sim.log_lines({"busy_end"}).empty()) << "the host was not held: " << taken;
        EXPECT_LT(taken, l.most);
        fcntl(host.fd, F_SETFL, fcntl(host.fd, F_GETFL) & ~O_NONBLOCK);
        ASSERT_TRUE(write_all(host.fd, Bytes(rest.begin() + static_cast<long>(taken), rest.end())));
        EXPECT_EQ(read_for(host.fd, milliseconds(20000), 1), Bytes{0x00});
        EXPECT_EQ(sim.log_lines({"\"ev\":\"busy_end\"", "\"queued\":0"}).size(), 1u);
        EXPECT_EQ(sim.log_lines({"\"ev\":\"unknown\"", "\"name\":\"GS 8 L\"", "\"fn\":127"}).size(),
                  1u);
        std::filesystem::remove_all(dir);
    }
}

} // namespace
} // namespace simtest
