// Runs the real quillet-sim binary for a test and plays the host on its pty.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <termios.h>
#include <vector>

namespace simtest {

class SimProcess {
public:
    // Starts the sim with --out dir plus args and waits for its READY line.
    SimProcess(const std::string& out_dir, std::vector<std::string> args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    // From the line printed before READY: "PTY <path>", "LISTEN 127.0.0.1:<port>", "FIFO <path>".
    const std::string& pty() const { return pty_; }
    int port() const { return port_; }
    const std::string& fifo() const { return fifo_; }
    // Waits for the sim to end by itself; its exit status, or -2 when it is still running.
    int wait_exit(std::chrono::milliseconds limit);
    // SIGTERM, then the exit status (-1 when it had to be killed).
    int stop();
    // The log's lines that contain every one of the given fragments.
    std::vector<std::string> log_lines(const std::vector<std::string>& fragments) const;
    // Waits up to `limit` for such a line.
    bool wait_for(const std::vector<std::string>& fragments, std::chrono::milliseconds limit) const;

private:
    std::string out_dir_;
    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    std::string pty_;
    int port_ = 0;
    std::string fifo_;
    bool ready_ = false;
};

using Bytes = std::vector<std::uint8_t>;

// The host's side: opens the slave as a serial program would and sets the line up.
int open_host(const std::string& pty, bool ixon, speed_t speed = 0);
// A TCP connection to 127.0.0.1:port; -1 when refused.
int connect_tcp(int port);
bool write_all(int fd, const Bytes& b);
// Reads what arrives within `limit`, or until `count` bytes came.
Bytes read_for(int fd, std::chrono::milliseconds limit, std::size_t count = SIZE_MAX);

std::string unique_dir(const std::string& stem);

// Milliseconds since `t`, for the time windows the tests check.
inline long ms_since(std::chrono::steady_clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t)
            .count());
}

} // namespace simtest
