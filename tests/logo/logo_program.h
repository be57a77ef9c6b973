#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet::logo::test {

struct ProgramRun {
    int status = -1; // the exit status, -1 when ended by a signal
    int signal = 0;  // the signal that ended it
    std::string out, err;
    long maxRssKb = 0;
};

// quillet-logo started in `dir`, its output going to files there; `env` adds NAME=VALUE entries.
class LogoProcess {
public:
    LogoProcess(const std::filesystem::path& dir, std::vector<std::string> args,
                std::vector<std::string> env = {});
    ~LogoProcess();
    LogoProcess(const LogoProcess&) = delete;
    LogoProcess& operator=(const LogoProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Bytes the program has read so far (its /proc io count), -1 once it has ended. Allocates
    // nothing.
    long long BytesRead() const;
    // Waits for the end (killing it after `limit`) and collects what it said.
    ProgramRun Wait(std::chrono::milliseconds limit = std::chrono::seconds(120));

private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
};

// Runs quillet-logo to its end.
ProgramRun RunLogo(const std::filesystem::path& dir, std::vector<std::string> args,
                   std::vector<std::string> env = {});

std::string ReadText(const std::filesystem::path& path);

// The names in `dir`, sorted.
std::vector<std::string> Files(const std::filesystem::path& dir);

} // namespace quillet::logo::test
