#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

// Where an encoder's bytes go: the printer link, "NvSave.BIN", or a test's recorder. Each call is
// one write as the printer is meant to see it, so a sender must pass it on unsplit.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // True when all `size` bytes were written.
    virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

enum class EncodeResult {
    Ok,
    WriteFailed,  // the sink refused a write; nothing was written after it
    TooLarge,     // the picture does not fit the command; nothing was written
    BadParameter, // a key or scale the command cannot carry; nothing was written
};

} // namespace quillet
