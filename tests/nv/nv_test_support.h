// Runs the real quillet-nv against the real quillet-sim, each as its own process.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillet::nv::test {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

struct NvRun {
    int exit = -1; // -1 when it had to be killed at the limit
    std::string out;
    std::string err;
    double seconds = 0;
    long peakKb = 0; // its largest resident size
};

// Runs quillet-nv with `args`, killed after `limit`. `env` entries are NAME=VALUE additions;
// `launcher` goes before the program (/usr/bin/prlimit and its options: a full path).
// without XDG_STATE_HOME among them, the run's default ledger is in a folder of its own.
NvRun RunNv(const std::vector<std::string>& args,
            std::chrono::milliseconds limit = std::chrono::seconds(60),
            const std::vector<std::string>& env = {},
            const std::vector<std::string>& launcher = {});

// quillet-nv started in the background, for what another process sees while it runs.
class NvProcess {
public:
    // `launcher` as for RunNv: a launcher that execs (prlimit) leaves quillet-nv's pid the same.
    explicit NvProcess(const std::vector<std::string>& args,
                       const std::vector<std::string>& launcher = {});
    ~NvProcess();
    NvProcess(const NvProcess&) = delete;
    NvProcess& operator=(const NvProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Its output and exit status; killed at the limit (exit -1).
    NvRun Wait(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::chrono::steady_clock::time_point start_;
};

// The virtual printer, started with --out DIR/out and --raw DIR/raw.bin plus `args`.
class Sim {
public:
    Sim(const fs::path& dir, const std::vector<std::string>& args);
    ~Sim();
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    bool Ready() const { return ready_; }
    // What quillet-nv takes as --port for it: the pty, tcp:127.0.0.1:N or the FIFO.
    const std::string& Port() const { return port_; }
    // What it printed before READY, for a failed start.
    const std::string& Banner() const { return banner_; }
    Bytes Raw() const;
    std::vector<nlohmann::json> Log() const;
    // Waits until the log has a record with every given field; false at the limit.
    bool WaitFor(const nlohmann::json& fields, std::chrono::milliseconds limit) const;
    // Waits until the raw file has `size` bytes; false at the limit.
    bool WaitForRaw(std::size_t size, std::chrono::milliseconds limit) const;
    std::vector<fs::path> Receipts() const;
    // Waits until `count` receipts are whole (their log records come after the PNG files).
    bool WaitForReceipts(std::size_t count, std::chrono::milliseconds limit) const;
    // SIGTERM, and waits for it to end.
    void Stop();

private:
    fs::path dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string port_;
    std::string banner_;
};

// A private folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const fs::path& Path() const { return path_; }
    fs::path Write(const std::string& name, const Bytes& bytes) const;

private:
    fs::path path_;
};

Bytes ReadFile(const fs::path& path);

// A picture as dots: one byte per dot from the top, 1 where black.
struct Dots {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> dots;
    bool At(std::uint32_t x, std::uint32_t y) const { return dots[y * width + x] != 0; }
};

// Any picture ImageMagick reads (a receipt PNG, a BMP), as dots: an independent decoder.
Dots ReadDots(const fs::path& path);

// Empty when `receipt` holds `pictures` one below the other from its top row, each padded with
// blank rows to `band` rows (1: no padding), and nothing else; else what differs.
std::string CompareStacked(const Dots& receipt, const std::vector<Dots>& pictures,
                           std::uint32_t band);

// `raw` without the process ID questions (GS ( H function 48) in it: their IDs are random.
Bytes WithoutProcessIdQuestions(const Bytes& raw);

// One JSON object per line of `text`; a line that is not one throws, failing the test.
std::vector<nlohmann::json> JsonLines(const std::string& text);

// Runs a shell command; its standard output.
std::string Shell(const std::string& command);

} // namespace quillet::nv::test
