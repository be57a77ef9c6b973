#include "pty_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

bool make_raw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

bool PtyLine::open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot open a pty: ") + std::strerror(errno);
        close();
        return false;
    }
    const char* name = ptsname(master_);
    slave_path_ = name ? name : "";
    slave_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    // Bytes must pass unchanged both ways until the host sets its own mode.
    if (slave_ < 0 || !make_raw(slave_) || !make_raw(master_)) {
        error = "cannot set up " + slave_path_ + ": " + std::strerror(errno);
        close();
        return false;
    }
    return true;
}

long PtyLine::read(std::uint8_t* buf, std::size_t n) {
    const ssize_t got = ::read(master_, buf, n);
    return got > 0 ? static_cast<long>(got) : 0; // the slave held open: no end of input
}

long PtyLine::write(const std::uint8_t* p, std::size_t n) {
    const ssize_t put = ::write(master_, p, n);
    if (put >= 0)
        return static_cast<long>(put);
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

void PtyLine::close() {
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
}

} // namespace sim
