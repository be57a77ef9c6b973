#include "wine_ports.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

std::string tool(const char* env, const char* fallback) {
    const char* v = std::getenv(env);
    return v && *v ? v : fallback;
}

// Runs a program in the prefix with its output discarded; returns its exit status (-1: not run).
int run_in_prefix(const std::string& prefix, std::vector<std::string> args) {
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        setenv("WINEPREFIX", prefix.c_str(), 1);
        if (!std::getenv("WINEDEBUG"))
            setenv("WINEDEBUG", "-all", 1);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char* kPortsKey = "HKLM\\Software\\Wine\\Ports";

void restart_wineserver(const std::string& prefix) {
    const std::string server = tool("WINESERVER", "/usr/lib/wine/wineserver64");
    run_in_prefix(prefix, {server, "-k"});
    run_in_prefix(prefix, {server, "-w"});
}

} // namespace

bool wine_register(const WinePort& port, std::string& error) {
    const std::string value = "COM" + std::to_string(port.com);
    const int rc = run_in_prefix(port.prefix, {tool("WINE", "/usr/lib/wine/wine64"), "reg", "add",
                                               kPortsKey, "/v", value, "/d", port.device, "/f"});
    if (rc != 0) {
        error = "wine reg add " + value + " failed (status " + std::to_string(rc) + ")";
        return false;
    }
    restart_wineserver(port.prefix);
    return true;
}

void wine_unregister(const WinePort& port) {
    const std::string value = "COM" + std::to_string(port.com);
    run_in_prefix(port.prefix, {tool("WINE", "/usr/lib/wine/wine64"), "reg", "delete", kPortsKey,
                                "/v", value, "/f"});
    restart_wineserver(port.prefix);
}

} // namespace sim
