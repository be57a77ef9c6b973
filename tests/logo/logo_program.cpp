#include "logo_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace quillet::logo::test {

namespace fs = std::filesystem;

LogoProcess::LogoProcess(const fs::path& dir, std::vector<std::string> args,
                         std::vector<std::string> env)
    : dir_(dir) {
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    for (char** e = environ; *e; ++e) {
        envp.push_back(*e);
    }
    envp.push_back(nullptr);
    args.insert(args.begin(), QUILLET_LOGO_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const fs::path out = dir / ".out", err = dir / ".err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&files, dir.c_str());
    if (posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&files);
}

LogoProcess::~LogoProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

long long LogoProcess::BytesRead() const {
    // Without the heap: callers poll this in tight loops, and a sanitizer's quarantine of freed
    // blocks would swell this process, whose peak memory the programs it spawns inherit.
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/io", int(pid_));
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char text[512];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) {
        return -1;
    }
    text[got] = '\0';
    const char* at = std::strstr(text, "rchar: ");
    return at ? std::atoll(at + 7) : -1;
}

ProgramRun LogoProcess::Wait(std::chrono::milliseconds limit) {
    ProgramRun run;
    if (pid_ <= 0) {
        run.err = "the program did not start";
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    rusage usage{};
    pid_t ended = 0;
    while ((ended = wait4(pid_, &status, WNOHANG, &usage)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended == 0) {
        kill(pid_, SIGKILL);
        wait4(pid_, &status, 0, &usage);
        run.err = "still running after " + std::to_string(limit.count()) + " ms; killed\n";
    }
    pid_ = -1;
    if (WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.maxRssKb = usage.ru_maxrss;
    run.out = ReadText(dir_ / ".out");
    run.err += ReadText(dir_ / ".err");
    fs::remove(dir_ / ".out");
    fs::remove(dir_ / ".err");
    return run;
}

ProgramRun RunLogo(const fs::path& dir, std::vector<std::string> args,
                   std::vector<std::string> env) {
    LogoProcess process(dir, std::move(args), std::move(env));
    return process.Wait();
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Files(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace quillet::logo::test
