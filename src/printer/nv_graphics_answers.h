#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillet {

// The NV graphics answers, read as the bytes between the lead byte 37 and the closing NUL, so
// starting with the identifier byte.

// Which capacity an answer gives, by its identifier byte.
enum class GraphicsCapacityKind : std::uint8_t {
    Total = 0x30,     // function 48
    Remaining = 0x31, // function 51
};

// The identifier byte of a key-list block (function 64).
inline constexpr std::uint8_t kGraphicsKeyListAnswer = 0x72;

enum class GraphicsAnswer {
    Ok,
    WrongIdentifier, // empty, or another answer than the one asked for
    NoDigits,        // a capacity answer with nothing after its identifier
    NotDigits,       // a capacity answer with a byte other than '0' to '9'
    Overflow,        // a capacity beyond what 64 bits hold
    BadStatus,       // a key-list block without 40 (last block) or 41 (another follows)
    OddLength,       // a key-list block with half a key
    BadKey,          // a key-list block with a key byte outside 0x20 to 0x7E
};

// A capacity answer of the given kind: decimal digits, in bytes. Sets `bytes` only when Ok.
GraphicsAnswer ParseGraphicsCapacity(std::span<const std::uint8_t> answer,
                                     GraphicsCapacityKind kind, std::uint64_t& bytes);

struct GraphicsKeyBlock {
    std::vector<std::string> keys; // two characters each, in the printer's order
    bool moreFollows = false;      // status 41: the host asks for the next block with 06
};

// One key-list block. Sets `block` only when Ok.
GraphicsAnswer ParseGraphicsKeyBlock(std::span<const std::uint8_t> answer, GraphicsKeyBlock& block);

} // namespace quillet
