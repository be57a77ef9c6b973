// A broken or hostile printer's ways of talking back: bytes nobody asked for, answers that
// mislead, a line that echoes. Each is logged, so a test can tell what the host was up against.
#pragma once

#include "record.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

struct HostileModes {
    int auto_status_ms = 0;        // an automatic status block this often; 0: never
    bool echo = false;             // the line sends back every byte it receives
    std::uint64_t flood_bytes = 0; // filler sent unasked from the host's first byte, per connection
    bool half_status = false;      // DLE EOT 1 answered; 2, 3 and 4 never
    bool stale_process_id = false; // each GS ( H answer comes after one with the previous ID
    int unasked_process_id_ms = 0; // a process ID answer with an old ID this often; 0: never
    bool active() const {
        return auto_status_ms > 0 || echo || flood_bytes > 0 || half_status || stale_process_id ||
               unasked_process_id_ms > 0;
    }
};

class Hostile {
public:
    using Clock = std::chrono::steady_clock;
    using Bytes = std::vector<std::uint8_t>;
    // `printer_speaks`: false on a one-way printer, which sends nothing of its own (an echoing
    // line still echoes).
    Hostile(const HostileModes& m, bool printer_speaks, RecordSink& log,
            std::function<void(const Bytes&)> send)
        : m_(m), speaks_(printer_speaks), log_(log), send_(std::move(send)) {}

    // A host is on the line now (a connection, or the pty from the start).
    void connected(Clock::time_point now);
    // The host's bytes, the first at `offset`, as they come off the line.
    void received(const std::uint8_t* p, std::size_t n, std::uint64_t offset);
    // Timed sends; `room`: what the output queue takes without dropping.
    void tick(Clock::time_point now, std::size_t room);
    // True when the answer to `name` n is never sent (logged as withheld).
    bool withholds(const std::string& name, int n, std::uint64_t offset);
    // Just before `answer` to the question at `offset` is sent.
    void before_answer(const std::string& name, std::uint64_t offset, const Bytes& answer);
    // What was sent this connection, for its closing record.
    void add_totals(Record& r) const;

private:
    void start_flood(std::uint64_t offset);
    Bytes process_id_block(const Bytes& id) const;

    HostileModes m_;
    bool speaks_;
    RecordSink& log_;
    std::function<void(const Bytes&)> send_;

    Clock::time_point next_status_, next_unasked_;
    std::uint64_t status_blocks_ = 0, echoed_ = 0, unasked_ = 0, stale_ = 0;
    bool flooding_ = false, flood_done_ = false;
    std::uint64_t flooded_ = 0;
    std::uint8_t flood_next_ = 0;
    Bytes last_id_; // of the last process ID question answered
};

} // namespace sim
