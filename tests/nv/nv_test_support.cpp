#include "nv_test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quillet::nv::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& t : texts)
        pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts `argv` with its standard output and error on the given descriptors (-1: /dev/null).
pid_t Spawn(std::vector<std::string> argv, int out, int err, std::vector<std::string> env = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (err >= 0)
        posix_spawn_file_actions_adddup2(&actions, err, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    auto args = Pointers(argv);
    auto envp = Pointers(env);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Reads both pipes until they close or `deadline`; true when they closed.
bool Drain(int out, int err, std::string& outText, std::string& errText,
           Clock::time_point deadline) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* texts[2] = {&outText, &errText};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

// The exit status; `peakKb`, when given, the child's largest resident size.
int WaitExit(pid_t pid, Clock::time_point deadline, long* peakKb = nullptr) {
    for (;;) {
        int status = 0;
        rusage usage{};
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid && peakKb)
            *peakKb = usage.ru_maxrss;
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

NvRun RunNv(const std::vector<std::string>& args, std::chrono::milliseconds limit,
            const std::vector<std::string>& env, const std::vector<std::string>& launcher) {
    int out[2];
    int err[2];
    NvRun run;
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return run;
    std::vector<std::string> argv = launcher;
    argv.push_back(QUILLET_NV_PROGRAM);
    argv.insert(argv.end(), args.begin(), args.end());
    // A ledger of the run's own unless the test names one: runs never count each other's writes.
    TempDir state;
    std::vector<std::string> environment = env;
    if (std::none_of(env.begin(), env.end(),
                     [](const std::string& e) { return e.rfind("XDG_STATE_HOME=", 0) == 0; }))
        environment.push_back("XDG_STATE_HOME=" + state.Path().string());
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv, out[1], err[1], environment);
    close(out[1]);
    close(err[1]);
    const auto deadline = start + limit;
    if (pid > 0) {
        Drain(out[0], err[0], run.out, run.err, deadline);
        run.exit = WaitExit(pid, deadline, &run.peakKb);
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(out[0]);
    close(err[0]);
    return run;
}

NvProcess::NvProcess(const std::vector<std::string>& args, const std::vector<std::string>& launcher)
    : start_(Clock::now()) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> argv = launcher;
    argv.push_back(QUILLET_NV_PROGRAM);
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

NvProcess::~NvProcess() {
    Wait(std::chrono::milliseconds(0));
}

NvRun NvProcess::Wait(std::chrono::milliseconds limit) {
    NvRun run;
    if (pid_ <= 0)
        return run;
    const auto deadline = Clock::now() + limit;
    Drain(out_, err_, run.out, run.err, deadline);
    run.exit = WaitExit(pid_, deadline);
    run.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    close(out_);
    close(err_);
    pid_ = -1;
    return run;
}

Sim::Sim(const fs::path& dir, const std::vector<std::string>& args) : dir_(dir) {
    fs::create_directories(dir_);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> argv{QUILLET_SIM_PROGRAM, "--out", (dir_ / "out").string(), "--raw",
                                  (dir_ / "raw.bin").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const int err =
        open((dir_ / "sim.stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = Spawn(argv, out[1], err);
    close(out[1]);
    close(err);
    // The sim announces its line and READY at once; a slow machine gets ten seconds.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string text;
    pollfd fd{out[0], POLLIN, 0};
    while (pid_ > 0 && text.find("READY\n") == std::string::npos && Clock::now() < deadline) {
        if (poll(&fd, 1, 100) > 0) {
            char buffer[256];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(out[0]);
    banner_ = text;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("PTY ", 0) == 0 || line.rfind("FIFO ", 0) == 0)
            port_ = line.substr(line.find(' ') + 1);
        else if (line.rfind("LISTEN ", 0) == 0)
            port_ = "tcp:" + line.substr(7);
        else if (line == "READY")
            ready_ = !port_.empty();
    }
}

Sim::~Sim() {
    Stop();
}

void Sim::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    WaitExit(pid_, Clock::now() + std::chrono::seconds(10));
    pid_ = -1;
}

Bytes Sim::Raw() const {
    return ReadFile(dir_ / "raw.bin");
}

std::vector<nlohmann::json> Sim::Log() const {
    std::vector<nlohmann::json> records;
    std::ifstream in(dir_ / "out" / "log.jsonl");
    for (std::string line; std::getline(in, line);) {
        auto record = nlohmann::json::parse(line, nullptr, false);
        if (!record.is_discarded())
            records.push_back(std::move(record));
    }
    return records;
}

bool Sim::WaitFor(const nlohmann::json& fields, std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    do {
        for (const auto& record : Log()) {
            bool all = true;
            for (const auto& [key, value] : fields.items())
                all = all && record.contains(key) && record[key] == value;
            if (all)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return false;
}

bool Sim::WaitForRaw(std::size_t size, std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    do {
        if (Raw().size() >= size)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return false;
}

bool Sim::WaitForReceipts(std::size_t count, std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    do {
        const auto log = Log();
        const auto whole = std::count_if(log.begin(), log.end(), [](const nlohmann::json& r) {
            return r.value("ev", "") == "receipt";
        });
        if (static_cast<std::size_t>(whole) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (Clock::now() < deadline);
    return false;
}

std::vector<fs::path> Sim::Receipts() const {
    std::vector<fs::path> receipts;
    if (!fs::exists(dir_ / "out"))
        return receipts;
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("receipt-", 0) == 0 && entry.path().extension() == ".png")
            receipts.push_back(entry.path());
    }
    std::sort(receipts.begin(), receipts.end());
    return receipts;
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quillet-nv-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty())
        fs::remove_all(path_, ignored);
}

fs::path TempDir::Write(const std::string& name, const Bytes& bytes) const {
    const fs::path file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Shell(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        std::size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

Dots ReadDots(const fs::path& path) {
    Dots dots;
    const std::string quoted = "'" + path.string() + "'";
    std::istringstream size(Shell("identify -format '%w %h' " + quoted));
    size >> dots.width >> dots.height;
    const std::string grey = Shell("convert " + quoted + " -colorspace Gray -depth 8 gray:-");
    if (grey.size() != std::size_t{dots.width} * dots.height)
        return Dots{};
    for (const char c : grey)
        dots.dots.push_back(static_cast<unsigned char>(c) < 128 ? 1 : 0);
    return dots;
}

std::string CompareStacked(const Dots& receipt, const std::vector<Dots>& pictures,
                           std::uint32_t band) {
    if (receipt.width == 0)
        return "the receipt could not be read";
    std::uint32_t top = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Dots& p = pictures[i];
        const std::uint32_t rows = (p.height + band - 1) / band * band;
        for (std::uint32_t y = 0; y < rows; ++y) {
            for (std::uint32_t x = 0; x < receipt.width; ++x) {
                const bool want = y < p.height && x < p.width && p.At(x, y);
                if (top + y >= receipt.height)
                    return "picture " + std::to_string(i + 1) + " runs past the receipt's end";
                if (receipt.At(x, top + y) != want)
                    return "picture " + std::to_string(i + 1) + " differs at x " +
                           std::to_string(x) + ", y " + std::to_string(y);
            }
        }
        top += rows;
    }
    for (std::uint32_t y = top; y < receipt.height; ++y) {
        for (std::uint32_t x = 0; x < receipt.width; ++x) {
            if (receipt.At(x, y))
                return "a dot below the pictures at row " + std::to_string(y);
        }
    }
    return {};
}

Bytes WithoutProcessIdQuestions(const Bytes& raw) {
    const Bytes lead = {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30};
    constexpr std::size_t kQuestionSize = 11;
    Bytes kept;
    for (std::size_t i = 0; i < raw.size();) {
        if (raw.size() - i >= kQuestionSize &&
            std::equal(lead.begin(), lead.end(), raw.begin() + i)) {
            i += kQuestionSize;
            continue;
        }
        kept.push_back(raw[i++]);
    }
    return kept;
}

std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> objects;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        objects.push_back(nlohmann::json::parse(line));
    return objects;
}

} // namespace quillet::nv::test
