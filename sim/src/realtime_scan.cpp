#include "realtime_scan.h"

namespace sim {

namespace {

const char* realtime_name(std::uint8_t second, std::uint8_t n) {
    if (second == 0x04 && n >= 1 && n <= 4)
        return "DLE EOT";
    if (second == 0x05 && n >= 1 && n <= 2)
        return "DLE ENQ";
    if (second == 0x14 && n >= 1 && n <= 8)
        return "DLE DC4";
    return nullptr;
}

bool is_realtime_second(std::uint8_t b) {
    return b == 0x04 || b == 0x05 || b == 0x14;
}

} // namespace

std::optional<RealtimeCommand> RealtimeScanner::take(std::uint8_t b, std::uint64_t offset) {
    if (held_ == 2) {
        held_ = 0;
        if (const char* name = realtime_name(prev_[1], b))
            return RealtimeCommand{first_offset_, name, b};
    } else if (held_ == 1) {
        if (is_realtime_second(b)) {
            prev_[1] = b;
            held_ = 2;
            return std::nullopt;
        }
        held_ = 0;
    }
    if (b == 0x10) {
        prev_[0] = b;
        first_offset_ = offset;
        held_ = 1;
    }
    return std::nullopt;
}

} // namespace sim
