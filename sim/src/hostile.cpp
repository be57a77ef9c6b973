#include "hostile.h"

#include <algorithm>

namespace sim {

namespace {

// An automatic status block of a printer that is fine: bits 0, 1 and 7 of the first byte clear,
// bit 4 set, three more bytes.
const Hostile::Bytes kAutoStatus = {0x14, 0x00, 0x00, 0x0F};
// Answered before any process ID question was seen.
const Hostile::Bytes kFixedId = {'0', '0', '0', '0'};
constexpr std::size_t kFloodChunk = 16384;
constexpr std::uint8_t XON = 0x11, XOFF = 0x13;

} // namespace

void Hostile::connected(Clock::time_point now) {
    next_status_ = now + std::chrono::milliseconds(m_.auto_status_ms);
    next_unasked_ = now + std::chrono::milliseconds(m_.unasked_process_id_ms);
    status_blocks_ = echoed_ = unasked_ = stale_ = flooded_ = 0;
    flooding_ = flood_done_ = false;
}

void Hostile::received(const std::uint8_t* p, std::size_t n, std::uint64_t offset) {
    if (m_.echo) {
        send_(Bytes(p, p + n));
        echoed_ += n;
        log_.write(Record("echo").add("offset", offset).add("count", n));
    }
    if (m_.flood_bytes > 0 && speaks_ && !flooding_ && !flood_done_)
        start_flood(offset);
}

void Hostile::start_flood(std::uint64_t offset) {
    flooding_ = true;
    log_.write(Record("flood_start").add("offset", offset).add("total", m_.flood_bytes));
}

void Hostile::tick(Clock::time_point now, std::size_t room) {
    if (!speaks_)
        return;
    if (m_.auto_status_ms > 0 && now >= next_status_) {
        send_(kAutoStatus);
        ++status_blocks_;
        log_.write(Record("auto_status").add("bytes", hex_bytes(kAutoStatus.data(), 4)));
        next_status_ = now + std::chrono::milliseconds(m_.auto_status_ms);
    }
    if (m_.unasked_process_id_ms > 0 && now >= next_unasked_) {
        const Bytes b = process_id_block(last_id_.empty() ? kFixedId : last_id_);
        send_(b);
        ++unasked_;
        log_.write(Record("unasked_process_id").add("bytes", hex_bytes(b.data(), b.size())));
        next_unasked_ = now + std::chrono::milliseconds(m_.unasked_process_id_ms);
    }
    if (flooding_ && room > 0) {
        // Every byte value but XON and XOFF, which a host's line discipline would act on.
        Bytes b(std::min<std::uint64_t>({kFloodChunk, room, m_.flood_bytes - flooded_}));
        for (auto& x : b) {
            while (flood_next_ == XON || flood_next_ == XOFF)
                ++flood_next_;
            x = flood_next_++;
        }
        send_(b);
        flooded_ += b.size();
        if (flooded_ == m_.flood_bytes) {
            flooding_ = false;
            flood_done_ = true;
            log_.write(Record("flood_end").add("sent", flooded_));
        }
    }
}

bool Hostile::withholds(const std::string& name, int n, std::uint64_t offset) {
    if (!m_.half_status || name != "DLE EOT" || n == 1)
        return false;
    log_.write(Record("withheld").add("name", name).add("n", n).add("offset", offset));
    return true;
}

void Hostile::before_answer(const std::string& name, std::uint64_t offset, const Bytes& answer) {
    if (name != "GS ( H" || answer.size() != 7)
        return;
    if (m_.stale_process_id) {
        const Bytes b = process_id_block(last_id_.empty() ? kFixedId : last_id_);
        send_(b);
        ++stale_;
        log_.write(Record("stale_process_id")
                       .add("offset", offset)
                       .add("bytes", hex_bytes(b.data(), b.size())));
    }
    last_id_.assign(answer.begin() + 2, answer.begin() + 6);
}

Hostile::Bytes Hostile::process_id_block(const Bytes& id) const {
    Bytes b = {0x37, 0x22};
    b.insert(b.end(), id.begin(), id.end());
    b.push_back(0x00);
    return b;
}

void Hostile::add_totals(Record& r) const {
    if (m_.auto_status_ms > 0)
        r.add("auto_status_sent", status_blocks_);
    if (m_.echo)
        r.add("echoed", echoed_);
    if (m_.flood_bytes > 0)
        r.add("flooded", flooded_);
    if (m_.stale_process_id)
        r.add("stale_process_ids", stale_);
    if (m_.unasked_process_id_ms > 0)
        r.add("unasked_process_ids", unasked_);
}

} // namespace sim
