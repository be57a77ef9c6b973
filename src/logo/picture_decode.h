#pragma once

#include "logo/light_image.h"

#include <cstdint>
#include <span>
#include <string>

namespace quillet::logo {

// Refused before any pixel is decoded, so that a small file claiming a huge picture cannot
// run memory away.
struct DecodeLimits {
    std::uint32_t maxSide = 20000;
    std::uint64_t maxPixels = 50'000'000;
};

enum class DecodeResult {
    Ok,
    NotAPicture, // no format stb_image knows
    TooLarge,    // over the limits
    Damaged,     // a known format that does not decode
    NoMemory,    // not enough memory to decode it
};

// Decodes PNG, JPEG, GIF (first frame), BMP, TGA or PNM, composites any alpha on white paper and
// converts to linear-light luminance. On failure `why` says what is wrong, for a message.
DecodeResult DecodePicture(std::span<const std::uint8_t> file, const DecodeLimits& limits,
                           LightImage& picture, std::string& why);

} // namespace quillet::logo
