#include "session.h"

#include "decoder.h"
#include "fifo_line.h"
#include "graphics_store.h"
#include "hostile.h"
#include "nv_store.h"
#include "out_queue.h"
#include "printer.h"
#include "pty_line.h"
#include "realtime_scan.h"
#include "record.h"
#include "responder.h"
#include "tcp_line.h"
#include "tty_state.h"
#include "wine_ports.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
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

std::unique_ptr<Line> make_line(const Options& o) {
    if (o.listen_port)
        return std::make_unique<TcpLine>(*o.listen_port, o.tcp_receive_buffer);
    if (!o.fifo_path.empty())
        return std::make_unique<FifoLine>(o.fifo_path);
    return std::make_unique<PtyLine>();
}

class Session : public Responder {
public:
    explicit Session(const Options& o)
        : o_(o), log_(o.out_dir + "/log.jsonl"), store_(o.store_dir, o.nv_capacity),
          graphics_(o.store_dir + "/graphics", o.nv_graphics_capacity),
          printer_(o.paper_dots, store_, graphics_, log_, o.out_dir),
          decoder_(printer_, log_, *this), line_(make_line(o)), out_(o.out_queue),
          hostile_(o.hostile, !o.no_answers, log_,
                   [this](const std::vector<std::uint8_t>& b) { queue_out(b.data(), b.size()); }) {
        printer_.set_status(o.status);
        printer_.set_nv_exclusive(o.nv_exclusive);
        decoder_.set_model({!o.no_process_id, o.endless_key_list});
    }

    int run();

    void answer(std::uint64_t offset, const std::string& name, int n,
                const std::vector<std::uint8_t>& bytes) override;
    std::string taken_on_arrival(std::uint64_t offset) const override;
    bool nv_written(std::uint64_t offset, const std::string& name) override;

private:
    bool start();
    void stop();
    void poll_tty();
    void host_opened(const char* trigger);
    void send(std::uint8_t b) { queue_out(&b, 1); }
    void queue_out(const std::uint8_t* p, std::size_t n);
    void flush_out();
    std::size_t read_allowance(Clock::time_point now);
    void received(const std::uint8_t* p, std::size_t n, Clock::time_point now);
    void arrived(const RealtimeCommand& c);
    void decode_queue();
    void refuse_queued_realtime();
    void busy_over(Clock::time_point now);
    void faults_after_bytes(Clock::time_point now);
    void timed_faults(Clock::time_point now);
    void hang_up();
    void take_connection();
    void close_connection(const char* why);
    void add_modes(Record& r) const;
    void add_totals(Record& r) const;

    const Options& o_;
    JsonlFile log_;
    NvStore store_;
    GraphicsStore graphics_;
    Printer printer_;
    Decoder decoder_;
    std::unique_ptr<Line> line_;
    std::FILE* raw_ = nullptr;
    bool registered_ = false;

    std::uint64_t total_ = 0;
    OutQueue out_;
    std::uint64_t out_dropped_ = 0;
    Hostile hostile_;
    bool tty_known_ = false;
    TtyState tty_;
    bool opened_ = false;
    bool replied_ = false;
    Clock::time_point last_rx_;

    // The receive buffer: bytes taken off the line that the decoder has not had yet.
    std::vector<std::uint8_t> queue_;
    RealtimeScanner scanner_;
    std::map<std::uint64_t, std::string> taken_; // real-time commands dealt with on arrival
    bool host_closed_ = false; // the host closed a connection; it ends once the queue is done

    bool busy_ = false;
    Clock::time_point busy_start_, busy_end_;
    std::uint64_t busy_offset_ = 0;

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
        std::fprintf(stderr, "quillet-sim: cannot open %s: %s\n", o_.raw_file.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool store_ok = store_.load();
    const bool graphics_ok = graphics_.load();
    std::string err;
    if (!line_->open(err)) {
        std::fprintf(stderr, "quillet-sim: %s\n", err.c_str());
        return false;
    }
    std::printf("%s\n", line_->announcement().c_str());
    std::fflush(stdout);
    if (!o_.pty_link.empty()) {
        std::error_code ec;
        std::filesystem::remove(o_.pty_link, ec);
        std::filesystem::create_symlink(line_->where(), o_.pty_link, ec);
        if (ec) {
            std::fprintf(stderr, "quillet-sim: cannot link %s: %s\n", o_.pty_link.c_str(),
                         ec.message().c_str());
            return false;
        }
    }
    if (!o_.wine_prefix.empty()) {
        if (!wine_register({o_.wine_prefix, o_.com, line_->where()}, err)) {
            std::fprintf(stderr, "quillet-sim: %s\n", err.c_str());
            return false;
        }
        registered_ = true;
    }
    Record r("start");
    r.add(line_->kind(), line_->where()).add("paper", o_.paper_dots).add("store", o_.store_dir);
    r.add("stored_images", store_.count()).add("capacity", store_.capacity());
    r.add("answers", !o_.no_answers && line_->two_way());
    r.add("offline", o_.status.offline());
    r.add("graphics_keys", graphics_.count())
        .add("graphics_capacity", graphics_.capacity())
        .add("graphics_remaining", graphics_.remaining());
    if (o_.nv_exclusive)
        r.add("nv_exclusive", true);
    if (!store_ok)
        r.add("store_damaged", true);
    if (!graphics_ok)
        r.add("graphics_damaged", true);
    if (registered_)
        r.add("com", "COM" + std::to_string(o_.com));
    r.add("process_id", !o_.no_process_id).add("out_queue", out_.capacity());
    add_modes(r);
    log_.write(r);
    if (line_->connected())
        hostile_.connected(Clock::now());
    poll_tty();
    std::printf("READY\n");
    std::fflush(stdout);
    return true;
}

// The start record names every mode that changes what the host gets back.
void Session::add_modes(Record& r) const {
    const HostileModes& h = o_.hostile;
    if (o_.endless_key_list)
        r.add("endless_key_list", true);
    if (h.auto_status_ms > 0)
        r.add("auto_status_ms", h.auto_status_ms);
    if (h.echo)
        r.add("echo", true);
    if (h.flood_bytes > 0)
        r.add("flood", h.flood_bytes);
    if (h.half_status)
        r.add("half_status", true);
    if (h.stale_process_id)
        r.add("stale_process_id", true);
    if (h.unasked_process_id_ms > 0)
        r.add("unasked_process_id_ms", h.unasked_process_id_ms);
    if (o_.tcp_receive_buffer > 0)
        r.add("tcp_receive_buffer", o_.tcp_receive_buffer);
}

void Session::add_totals(Record& r) const {
    hostile_.add_totals(r);
    if (out_dropped_ > 0)
        r.add("out_dropped", out_dropped_);
}

void Session::poll_tty() {
    const int fd = line_->tty_fd();
    if (fd < 0)
        return;
    termios t{};
    if (tcgetattr(fd, &t) != 0)
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
    queue_out(o_.reply.data(), o_.reply.size());
    log_.write(Record("reply")
                   .add("bytes", hex_bytes(o_.reply.data(), o_.reply.size()))
                   .add("trigger", trigger));
}

void Session::answer(std::uint64_t offset, const std::string& name, int n,
                     const std::vector<std::uint8_t>& bytes) {
    if (o_.no_answers || !line_->answers())
        return; // a one-way printer says nothing
    if (hostile_.withholds(name, n, offset))
        return;
    hostile_.before_answer(name, offset, bytes);
    queue_out(bytes.data(), bytes.size());
    Record r("answer");
    r.add("name", name).add("n", n).add("offset", offset);
    r.add("bytes", hex_bytes(bytes.data(), bytes.size()));
    if (taken_on_arrival(offset) == "answered")
        r.add("on_arrival", true);
    log_.write(r);
    // Sent by the loop, never from inside the decoder: a failed write closes the connection,
    // which resets the decoder.
}

std::string Session::taken_on_arrival(std::uint64_t offset) const {
    const auto it = taken_.find(offset);
    return it == taken_.end() ? "" : it->second;
}

bool Session::nv_written(std::uint64_t offset, const std::string& name) {
    if (o_.nv_busy_ms <= 0)
        return false;
    busy_ = true;
    busy_offset_ = offset;
    busy_start_ = Clock::now();
    busy_end_ = busy_start_ + std::chrono::milliseconds(o_.nv_busy_ms);
    log_.write(
        Record("busy_start").add("after", name).add("offset", offset).add("ms", o_.nv_busy_ms));
    return true;
}

void Session::queue_out(const std::uint8_t* p, std::size_t n) {
    if (!line_->answers())
        return;
    const std::size_t dropped = out_.push(p, n);
    if (dropped == 0)
        return;
    // Once: a host that does not read would otherwise fill the log as well.
    if (out_dropped_ == 0)
        log_.write(Record("out_dropped")
                       .add("bytes", dropped)
                       .add("out_queue", out_.capacity())
                       .add("received", total_));
    out_dropped_ += dropped;
}

void Session::flush_out() {
    while (!out_.empty() && line_->answers()) {
        const long n = line_->write(out_.data(), out_.size());
        if (n < 0) {
            close_connection("write failed");
            return;
        }
        if (n == 0)
            return; // the host's input is full: try again on the next turn
        out_.consume(static_cast<std::size_t>(n));
    }
}

std::size_t Session::read_allowance(Clock::time_point now) {
    // While it writes NV memory the printer takes nothing off the line: the host's writes block
    // once the line's buffers are full.
    if (!line_->connected() || stalled_ || host_closed_ || busy_)
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
    last_rx_ = now;
    host_opened("data");
    if (line_->answers()) // a FIFO carries nothing back, not even an echo
        hostile_.received(p, n, total_);
    for (std::size_t i = 0; i < n; ++i)
        if (const auto c = scanner_.take(p[i], total_ + i))
            arrived(*c);
    total_ += n;
    queue_.insert(queue_.end(), p, p + n);
    decode_queue();
    flush_out();
}

// A real printer sees real-time commands as they come in, whatever they stand in.
void Session::arrived(const RealtimeCommand& c) {
    if (taken_.count(c.offset))
        return;
    if (busy_) {
        taken_[c.offset] = "busy";
        log_.write(Record("fault")
                       .add("fault", "realtime_while_busy")
                       .add("name", c.name)
                       .add("n", c.n)
                       .add("offset", c.offset)
                       .add("busy_ms", ms_between(busy_start_, Clock::now())));
        return;
    }
    if (!o_.answer_dle_in_data || c.name != "DLE EOT")
        return;
    taken_[c.offset] = "answered";
    if (const auto b = transmit_status(printer_.status(), c.n))
        answer(c.offset, c.name, c.n, {*b});
}

void Session::decode_queue() {
    std::size_t done = 0;
    while (!busy_ && done < queue_.size())
        done += decoder_.feed(queue_.data() + done, queue_.size() - done);
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(done));
    taken_.erase(taken_.begin(), taken_.lower_bound(decoder_.offset()));
    if (busy_)
        refuse_queued_realtime();
}

// Bytes already queued behind the NV write are read during it, as far as the host can tell.
void Session::refuse_queued_realtime() {
    RealtimeScanner s;
    const std::uint64_t first = decoder_.offset();
    for (std::size_t i = 0; i < queue_.size(); ++i)
        if (const auto c = s.take(queue_[i], first + i))
            arrived(*c);
}

void Session::busy_over(Clock::time_point now) {
    if (!busy_ || now < busy_end_)
        return;
    busy_ = false;
    log_.write(Record("busy_end")
                   .add("offset", busy_offset_)
                   .add("after_ms", ms_between(busy_start_, now))
                   .add("queued", queue_.size()));
    decode_queue();
    flush_out();
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
    line_->hang_up();
    log_.write(Record("hangup").add("received", total_));
}

void Session::take_connection() {
    std::string peer;
    if (!line_->accept(peer))
        return;
    host_closed_ = false;
    out_.clear();
    hostile_.connected(Clock::now());
    log_.write(Record("connect").add("peer", peer).add("received", total_));
    host_opened("connect");
}

// A network printer reads each connection as a job of its own: a command cut short by the
// host's close is reported, and the next connection starts afresh.
void Session::close_connection(const char* why) {
    if (!line_->connected())
        return;
    decoder_.finish();
    scanner_.reset();
    line_->end_connection();
    host_closed_ = false;
    if (!out_.empty() || !queue_.empty())
        log_.write(Record("dropped").add("unsent", out_.size()).add("unprocessed", queue_.size()));
    out_.clear();
    queue_.clear();
    Record r("disconnect");
    r.add("reason", why).add("received", total_);
    add_totals(r);
    log_.write(r);
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
        busy_over(now);
        if (line_->connected() && line_->answers())
            hostile_.tick(now, out_.room());
        flush_out();
        // The host closed: the connection ends once what it sent is done and answered.
        if (host_closed_ && !busy_ && queue_.empty() && out_.empty())
            close_connection("closed by host");
        if (o_.exit_after_idle_ms > 0 && total_ > 0 && !busy_ && queue_.empty() &&
            ms_between(last_rx_, now) >= o_.exit_after_idle_ms) {
            log_.write(Record("idle").add("received", total_).add("ms", o_.exit_after_idle_ms));
            break;
        }
        int timeout = kTtyPollMs;
        if (busy_)
            timeout = std::clamp<int>(static_cast<int>(ms_between(now, busy_end_)), 0, timeout);
        const int fd = line_->wait_fd();
        if (fd >= 0 && !line_->connected()) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, timeout) > 0 && (pfd.revents & POLLIN))
                take_connection();
            continue;
        }
        const std::size_t allow = read_allowance(now);
        if (line_->connected() && allow == 0 && o_.baud > 0 && !stalled_)
            timeout = 1; // wait for the line to have carried one more byte
        const bool want_read = fd >= 0 && allow > 0;
        // Woken as soon as the host takes answers too, so a flood runs at the host's pace.
        const bool want_write = fd >= 0 && !out_.empty() && line_->answers();
        pollfd pfd{fd, static_cast<short>((want_read ? POLLIN : 0) | (want_write ? POLLOUT : 0)),
                   0};
        const bool any = want_read || want_write;
        if (::poll(any ? &pfd : nullptr, any ? 1 : 0, timeout) <= 0 || !want_read ||
            !(pfd.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const long n = line_->read(buf.data(), std::min(allow, buf.size()));
        if (n < 0) {
            host_closed_ = true;
            continue;
        }
        if (n == 0)
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
    const bool on_line = line_->connected();
    decoder_.finish();
    if (!printer_.paper().empty())
        log_.write(Record("uncut").add("height", printer_.paper().height()));
    if (registered_) {
        wine_unregister({o_.wine_prefix, o_.com, line_->where()});
        registered_ = false;
    }
    if (!o_.pty_link.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(o_.pty_link, ec))
            std::filesystem::remove(o_.pty_link, ec);
    }
    line_->hang_up();
    if (raw_)
        std::fclose(raw_);
    raw_ = nullptr;
    Record r("exit");
    r.add("received", total_)
        .add("receipts", printer_.receipts())
        .add("unprocessed", queue_.size());
    if (on_line) // a closed connection's totals are in its disconnect record
        hostile_.add_totals(r);
    if (out_dropped_ > 0)
        r.add("out_dropped", out_dropped_);
    log_.write(r);
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
