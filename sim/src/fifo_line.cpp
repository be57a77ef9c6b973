#include "fifo_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

bool FifoLine::open(std::string& error) {
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            error = path_ + " exists and is no FIFO";
            return false;
        }
        ::unlink(path_.c_str()); // one left by an earlier run
    }
    if (::mkfifo(path_.c_str(), 0600) != 0) {
        error = "cannot make the FIFO " + path_ + ": " + std::strerror(errno);
        return false;
    }
    made_ = true;
    read_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    keep_open_ = read_ >= 0 ? ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (keep_open_ < 0) {
        error = "cannot open the FIFO " + path_ + ": " + std::strerror(errno);
        hang_up();
        return false;
    }
    return true;
}

long FifoLine::read(std::uint8_t* buf, std::size_t n) {
    const ssize_t got = ::read(read_, buf, n);
    return got > 0 ? static_cast<long>(got) : 0;
}

void FifoLine::hang_up() {
    for (int* fd : {&read_, &keep_open_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (made_)
        ::unlink(path_.c_str());
    made_ = false;
}

} // namespace sim
