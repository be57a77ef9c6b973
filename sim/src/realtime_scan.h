// Finds real-time commands (DLE EOT, DLE ENQ, DLE DC4) in received bytes wherever they stand, as a
// printer's receive side does before any command is decoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct RealtimeCommand {
    std::uint64_t offset = 0; // of its 10 byte
    std::string name;         // "DLE EOT", "DLE ENQ", "DLE DC4"
    int n = 0;
};

class RealtimeScanner {
public:
    // Takes the byte at `offset`; a command whose last byte this is, if any.
    std::optional<RealtimeCommand> take(std::uint8_t b, std::uint64_t offset);
    void reset() { held_ = 0; }

private:
    std::uint8_t prev_[2] = {};
    std::uint64_t first_offset_ = 0;
    int held_ = 0; // bytes of a possible command seen so far
};

} // namespace sim
