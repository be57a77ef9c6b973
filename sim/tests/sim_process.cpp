#include "sim_process.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace simtest {

namespace {

// A socket that the peer closed must give EPIPE, not kill the test with SIGPIPE.
ssize_t send_or_write(int fd, const std::uint8_t* p, std::size_t n) {
    const ssize_t put = send(fd, p, n, MSG_NOSIGNAL);
    return put < 0 && errno == ENOTSOCK ? write(fd, p, n) : put;
}

} // namespace

SimProcess::SimProcess(const std::string& out_dir, std::vector<std::string> args)
    : out_dir_(out_dir) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    args.insert(args.begin(), {QUILLET_SIM_EXE, "--out", out_dir});
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    stdout_fd_ = fds[0];
    // Lines "PTY <path>" and "READY", within ten seconds.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (text.find("READY\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd p{stdout_fd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buf[256];
        const ssize_t n = read(stdout_fd_, buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    auto line_after = [&](const std::string& head) {
        const auto at = text.find(head);
        if (at == std::string::npos || (at > 0 && text[at - 1] != '\n'))
            return std::string();
        const auto from = at + head.size();
        return text.substr(from, text.find('\n', from) - from);
    };
    pty_ = line_after("PTY ");
    fifo_ = line_after("FIFO ");
    if (const std::string addr = line_after("LISTEN 127.0.0.1:"); !addr.empty())
        port_ = std::stoi(addr);
    ready_ =
        (!pty_.empty() || !fifo_.empty() || port_ > 0) && text.find("READY\n") != std::string::npos;
}

SimProcess::~SimProcess() {
    stop();
    if (stdout_fd_ >= 0)
        close(stdout_fd_);
}

int SimProcess::wait_exit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -2;
}

int SimProcess::stop() {
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

std::vector<std::string> SimProcess::log_lines(const std::vector<std::string>& fragments) const {
    std::vector<std::string> out;
    std::ifstream in(out_dir_ + "/log.jsonl");
    std::string line;
    while (std::getline(in, line)) {
        bool all = true;
        for (const auto& f : fragments)
            all = all && line.find(f) != std::string::npos;
        if (all)
            out.push_back(line);
    }
    return out;
}

bool SimProcess::wait_for(const std::vector<std::string>& fragments,
                          std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (log_lines(fragments).empty()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int open_host(const std::string& pty, bool ixon, speed_t speed) {
    const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    if (ixon)
        t.c_iflag |= IXON;
    if (speed) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

int connect_tcp(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

bool write_all(int fd, const Bytes& b) {
    std::size_t done = 0;
    while (done < b.size()) {
        const ssize_t n = send_or_write(fd, b.data() + done, b.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Bytes read_for(int fd, std::chrono::milliseconds limit, std::size_t count) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && out.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            std::uint8_t buf[64];
            const ssize_t n = read(fd, buf, std::min(sizeof buf, count - out.size()));
            if (n <= 0)
                break; // the other end closed
            out.insert(out.end(), buf, buf + n);
        }
    }
    return out;
}

std::string unique_dir(const std::string& stem) {
    const auto p = std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(p);
    return p.string();
}

} // namespace simtest
