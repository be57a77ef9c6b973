#include "port/descriptor_room.h"

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#endif

namespace quillet::port {
namespace {

// Listing /proc/self/fd, a holder scan, a look-up's socket: a few descriptors beside the ports.
constexpr std::size_t kReserve = 8;
// Windows has no small limit on handles; a ceiling keeps a long port list in turns anyway.
constexpr std::size_t kMostAtOnce = 4096;

} // namespace

#ifdef _WIN32

bool RaiseDescriptorLimit(std::string&) {
    return true;
}

std::size_t PortRoom() {
    return kMostAtOnce;
}

#else

bool RaiseDescriptorLimit(std::string& why) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (limit.rlim_cur == limit.rlim_max)
        return true;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

std::size_t PortRoom() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kMostAtOnce;
    std::size_t inUse = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds))
            inUse += entry->d_name[0] != '.';
        ::closedir(fds);
        --inUse; // the listing's own
    } else {
        inUse = 16; // no /proc: a guess on the safe side
    }
    const std::size_t room = static_cast<std::size_t>(limit.rlim_cur);
    if (room <= inUse + kReserve)
        return 1;
    const std::size_t free = room - inUse - kReserve;
    return free < kMostAtOnce ? free : kMostAtOnce;
}

#endif

} // namespace quillet::port
