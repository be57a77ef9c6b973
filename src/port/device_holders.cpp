#include "port/device_holders.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillet::port {
namespace {

// A large machine has some thousands of processes; the scan stops well past that.
constexpr int kMostProcesses = 100'000;
constexpr int kMostNamed = 5;

bool IsNumber(const char* text) {
    if (!*text)
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

// /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 00:06:3 0 EOF", the inode as MAJOR:MINOR:NUMBER.
std::set<long> LockHolders(const struct stat& node) {
    std::set<long> pids;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, inode;
        long pid = 0;
        if (!(fields >> number >> kind))
            continue;
        if (kind == "->") // a waiter, not a holder
            continue;
        if (!(fields >> mode >> access >> pid >> inode))
            continue;
        unsigned major = 0, minor = 0;
        unsigned long long ino = 0;
        if (std::sscanf(inode.c_str(), "%x:%x:%llu", &major, &minor, &ino) != 3)
            continue;
        if (major == ::major(node.st_dev) && minor == ::minor(node.st_dev) && ino == node.st_ino &&
            pid > 0 && pid != ::getpid())
            pids.insert(pid);
    }
    return pids;
}

bool SameDevice(const struct stat& a, const struct stat& b) {
    if (S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode))
        return (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) && a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Every process with a descriptor on the device.
std::set<long> OpenHolders(const struct stat& node) {
    std::set<long> pids;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    int seen = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!IsNumber(entry->d_name) || ++seen > kMostProcesses)
            continue;
        const long pid = std::stol(entry->d_name);
        if (pid == ::getpid())
            continue;
        const std::string fds = std::string("/proc/") + entry->d_name + "/fd";
        DIR* dir = ::opendir(fds.c_str());
        if (!dir)
            continue;
        while (const dirent* fd = ::readdir(dir)) {
            struct stat st {};
            if (IsNumber(fd->d_name) && ::stat((fds + "/" + fd->d_name).c_str(), &st) == 0 &&
                SameDevice(node, st)) {
                pids.insert(pid);
                break;
            }
        }
        ::closedir(dir);
    }
    ::closedir(proc);
    return pids;
}

std::string ProcessName(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "a process" : name;
}

} // namespace

std::string DeviceHolders(const std::string& path) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0)
        return {};
    std::set<long> pids = LockHolders(node);
    if (pids.empty())
        pids = OpenHolders(node);
    std::string text;
    int named = 0;
    for (const long pid : pids) {
        if (++named > kMostNamed) {
            text += ", and " + std::to_string(pids.size() - kMostNamed) + " more";
            break;
        }
        text +=
            (text.empty() ? "" : ", ") + ProcessName(pid) + " (pid " + std::to_string(pid) + ")";
    }
    return text;
}

} // namespace quillet::port
