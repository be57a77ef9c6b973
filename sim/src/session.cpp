#include "session.h"

#include "decoder.h"
#include "nv_store.h"
#include "printer.h"
#include "pty_line.h"
#include "record.h"
#include "tty_state.h"
#include "wine_ports.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_resume = 0;

void on_stop(int) {
    g_stop = 1;
}
void on_resume(int) {
    g_resume = 1;
}

void install_signals() {
    struct sigaction sa {};
    sa.sa_handler = on_stop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sa.sa_handler = on_resume;
    sigaction(SIGUSR1, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

using Clock = std::chrono::steady_clock;

long ms_between(Clock::time_point a, Clock::time_point b) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count());
}

constexpr std::uint8_t XON = 0x11, XOFF = 0x13;
constexpr int kTtyPollMs = 10;

// Old receipts would be mistaken for this run's.
void clear_old_receipts(const std::string& dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("receipt-", 0) == 0 && e.path().extension() == ".png")
            std::filesystem::remove(e.path(), ec);
    }
}

class Session {
public:
    explicit Session(const Options& o)
        : o_(o), log_(o.out_dir + "/log.jsonl"), store_(o.store_dir, o.nv_capacity),
          printer_(o.paper_dots, store_, log_, o.out_dir), decoder_(printer_, log_) {}

    int run();

private:
    bool start();
    void stop();
    void poll_tty();
    void host_opened(const char* trigger);
    void send(std::uint8_t b) { out_.push_back(b); }
    void flush_out();
    std::size_t read_allowance(Clock::time_point now);
    void received(const std::uint8_t* p, std::size_t n, Clock::time_point now);
    void faults_after_bytes(Clock::time_point now);
    void timed_faults(Clock::time_point now);
    void hang_up();

    const Options& o_;
    JsonlFile log_;
    NvStore store_;
    Printer printer_;
    Decoder decoder_;
    PtyLine line_;
    std::FILE* raw_ = nullptr;
    bool registered_ = false;

    std::uint64_t total_ = 0;
    std::vector<std::uint8_t> out_;
    bool tty_known_ = false;
    TtyState tty_;
    bool opened_ = false;
    bool replied_ = false;
    Clock::time_point last_rx_;

    double credit_ = 0; // bytes the baud rate allows now
    Clock::time_point credit_time_;

    bool xoff_done_ = false, xoff_active_ = false;
    Clock::time_point xon_at_;
    bool stall_done_ = false, stalled_ = false;
    Clock::time_point stall_start_;
    bool hung_up_ = false;
};

bool Session::start() {
    if (!log_.ok()) {
        std::fprintf(stderr, "quillet-sim: cannot write %s/log.jsonl\n", o_.out_dir.c_str());
        return false;
    }
    if (!o_.raw_file.empty() && !(raw_ = std::fopen(o_.raw_file.c_str(), "ab"))) {
        std::fprintf(stderr, "quillet-sim: cannot open %s\n", o_.raw_file.c_str());
        return false;
    }
    const bool store_ok = store_.load();
    std::string err;
    if (!line_.open(err)) {
        std::fprintf(stderr, "quillet-sim: %s\n", err.c_str());
        return false;
    }
    std::printf("PTY %s\n", line_.slave_path().c_str());
    std::fflush(stdout);
    if (!o_.pty_link.empty()) {
        std::error_code ec;
        std::filesystem::remove(o_.pty_link, ec);
        std::filesystem::create_symlink(line_.slave_path(), o_.pty_link, ec);
        if (ec) {
            std::fprintf(stderr, "quillet-sim: cannot link %s: %s\n", o_.pty_link.c_str(),
                         ec.message().c_str());
            return false;
        }
    }
    if (!o_.wine_prefix.empty()) {
        if (!wine_register({o_.wine_prefix, o_.com, line_.slave_path()}, err)) {
            std::fprintf(stderr, "quillet-sim: %s\n", err.c_str());
            return false;
        }
        registered_ = true;
    }
    Record r("start");
    r.add("pty", line_.slave_path()).add("paper", o_.paper_dots).add("store", o_.store_dir);
    r.add("stored_images", store_.count()).add("capacity", store_.capacity());
    if (!store_ok)
        r.add("store_damaged", true);
    if (registered_)
        r.add("com", "COM" + std::to_string(o_.com));
    log_.write(r);
    poll_tty();
    std::printf("READY\n");
    std::fflush(stdout);
    return true;
}

void Session::poll_tty() {
    if (!line_.is_open())
        return;
    termios t{};
    if (tcgetattr(line_.slave(), &t) != 0)
        return;
    const TtyState now = TtyState::from(t);
    if (tty_known_ && now.same_as(tty_))
        return;
    Record r = now.record();
    if (!tty_known_)
        r.add("initial", true);
    log_.write(r);
    const bool changed_by_host = tty_known_;
    tty_known_ = true;
    tty_ = now;
    if (changed_by_host)
        host_opened("tty");
}

// A host sets the line up when it opens the port (or at least sends something).
void Session::host_opened(const char* trigger) {
    if (opened_)
        return;
    opened_ = true;
    if (o_.reply.empty() || replied_)
        return;
    replied_ = true;
    out_.insert(out_.end(), o_.reply.begin(), o_.reply.end());
    log_.write(Record("reply")
                   .add("bytes", hex_bytes(o_.reply.data(), o_.reply.size()))
                   .add("trigger", trigger));
}

void Session::flush_out() {
    while (!out_.empty() && line_.is_open()) {
        const ssize_t n = ::write(line_.master(), out_.data(), out_.size());
        if (n <= 0)
            return; // the host's input is full: try again on the next turn
        out_.erase(out_.begin(), out_.begin() + n);
    }
}

std::size_t Session::read_allowance(Clock::time_point now) {
    if (!line_.is_open() || stalled_)
        return 0;
    std::size_t allow = 4096;
    if (o_.baud > 0) {
        // A UART drains at most ~10 ms of line time at once.
        const double per_ms = static_cast<double>(o_.baud) / 10.0 / 1000.0;
        const double cap = std::max(16.0, per_ms * 10.0);
        credit_ = std::min(
            cap,
            credit_ +
                per_ms * std::chrono::duration<double, std::milli>(now - credit_time_).count());
        credit_time_ = now;
        allow = std::min(allow, static_cast<std::size_t>(credit_));
    }
    // Stop exactly at a fault's byte count.
    for (const auto& [at, done] :
         {std::pair{o_.xoff_after, xoff_done_}, std::pair{o_.stall_after, stall_done_},
          std::pair{o_.hangup_after, hung_up_}})
        if (at && !done && total_ < *at)
            allow = std::min<std::size_t>(allow, *at - total_);
    return allow;
}

void Session::received(const std::uint8_t* p, std::size_t n, Clock::time_point now) {
    if (raw_) {
        std::fwrite(p, 1, n, raw_);
        std::fflush(raw_);
    }
    credit_ -= static_cast<double>(n);
    total_ += n;
    last_rx_ = now;
    host_opened("data");
    decoder_.feed(p, n);
}

void Session::faults_after_bytes(Clock::time_point now) {
    if (o_.xoff_after && !xoff_done_ && total_ >= *o_.xoff_after) {
        xoff_done_ = xoff_active_ = true;
        send(XOFF);
        flush_out();
        xon_at_ = now + std::chrono::milliseconds(o_.xoff_ms);
        log_.write(Record("xoff").add("received", total_).add("ms", o_.xoff_ms));
    }
    if (o_.stall_after && !stall_done_ && total_ >= *o_.stall_after) {
        stall_done_ = stalled_ = true;
        stall_start_ = now;
        g_resume = 0;
        log_.write(Record("stall").add("received", total_).add("ms", o_.stall_ms));
    }
    if (o_.hangup_after && !hung_up_ && total_ >= *o_.hangup_after)
        hang_up();
}

void Session::timed_faults(Clock::time_point now) {
    if (xoff_active_ && now >= xon_at_) {
        xoff_active_ = false;
        send(XON);
        flush_out();
        log_.write(Record("xon").add("received", total_));
    }
    if (stalled_ &&
        (g_resume || (o_.stall_ms >= 0 && ms_between(stall_start_, now) >= o_.stall_ms))) {
        stalled_ = false;
        g_resume = 0;
        credit_time_ = now;
        log_.write(Record("resume")
                       .add("received", total_)
                       .add("after_ms", ms_between(stall_start_, now)));
    }
}

void Session::hang_up() {
    hung_up_ = true;
    decoder_.finish();
    line_.close();
    log_.write(Record("hangup").add("received", total_));
}

int Session::run() {
    if (!start()) {
        stop();
        return 1;
    }
    std::vector<std::uint8_t> buf(4096);
    auto last_tty = Clock::now();
    credit_time_ = last_tty;
    while (!g_stop) {
        auto now = Clock::now();
        if (ms_between(last_tty, now) >= kTtyPollMs) {
            poll_tty();
            last_tty = now;
        }
        timed_faults(now);
        flush_out();
        if (o_.exit_after_idle_ms > 0 && total_ > 0 &&
            ms_between(last_rx_, now) >= o_.exit_after_idle_ms) {
            log_.write(Record("idle").add("received", total_).add("ms", o_.exit_after_idle_ms));
            break;
        }
        const std::size_t allow = read_allowance(now);
        int timeout = kTtyPollMs;
        if (line_.is_open() && allow == 0 && o_.baud > 0 && !stalled_)
            timeout = 1; // wait for the line to have carried one more byte
        pollfd pfd{line_.master(), POLLIN, 0};
        const bool want_read = allow > 0;
        if (::poll(want_read ? &pfd : nullptr, want_read ? 1 : 0, timeout) <= 0 ||
            !(pfd.revents & POLLIN))
            continue;
        const ssize_t n = ::read(line_.master(), buf.data(), std::min(allow, buf.size()));
        if (n <= 0)
            continue;
        now = Clock::now();
        // Settings the host made before these bytes are logged before them.
        poll_tty();
        received(buf.data(), static_cast<std::size_t>(n), now);
        faults_after_bytes(now);
    }
    stop();
    return 0;
}

void Session::stop() {
    decoder_.finish();
    if (!printer_.paper().empty())
        log_.write(Record("uncut").add("height", printer_.paper().height()));
    if (registered_) {
        wine_unregister({o_.wine_prefix, o_.com, line_.slave_path()});
        registered_ = false;
    }
    if (!o_.pty_link.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(o_.pty_link, ec))
            std::filesystem::remove(o_.pty_link, ec);
    }
    line_.close();
    if (raw_)
        std::fclose(raw_);
    raw_ = nullptr;
    log_.write(Record("exit").add("received", total_).add("receipts", printer_.receipts()));
}

} // namespace

int run_session(const Options& opts) {
    std::error_code ec;
    std::filesystem::create_directories(opts.out_dir, ec);
    if (ec) {
        std::fprintf(stderr, "quillet-sim: cannot create %s: %s\n", opts.out_dir.c_str(),
                     ec.message().c_str());
        return 1;
    }
    clear_old_receipts(opts.out_dir);
    install_signals();
    Session s(opts);
    return s.run();
}

} // namespace sim
