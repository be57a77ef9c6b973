#pragma once

#include "image/mono_bmp_header.h"
#include "logo/dither.h"
#include "logo/light_image.h"
#include "logo/picture_decode.h"
#include "logo/tone.h"

#include <cstdint>
#include <span>
#include <string>

namespace quillet::logo {

// 80 mm paper at 203 dpi, and 58 mm.
inline constexpr std::uint32_t kPaper80Dots = 576;
inline constexpr std::uint32_t kPaper58Dots = 384;
// Quillet's own limits, from its reader: raster printing's widest row, the tallest BMP read, and
// the NV download's tallest picture.
inline constexpr std::uint32_t kMaxWidthDots = kRasterMaxWidth;
inline constexpr std::uint32_t kMaxHeightDots = kMonoBmpMaxSide;
inline constexpr std::uint32_t kNvMaxHeightDots = kNvMaxHeight;
// FS q allows 288 bytes of column height on many printers.
inline constexpr std::uint32_t kNvTallWarningDots = 2304;

struct ConvertSettings {
    std::uint32_t width = 0; // exact width in dots; 0: the picture's own, at most maxWidth
    std::uint32_t maxWidth = kPaper80Dots;
    DitherKind dither = DitherKind::FloydSteinberg;
    std::uint8_t threshold = 128;
    double gamma = kDefaultGamma; // the print tone's mid-tones (tone.h); not for Threshold
    bool invert = false;
};

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The dots a picture becomes: its own width unless wider than maxWidth, or exactly
// settings.width; the height follows the aspect ratio, at least 1.
Size TargetSize(Size picture, const ConvertSettings& settings);

enum class ConvertResult {
    Ok,
    NotAPicture,
    TooLarge, // over the decode limits
    Damaged,
    TooTall,  // the result would be taller than kMaxHeightDots
    NoMemory, // not enough memory to decode, scale or dither
};

// Decode, scale in linear light, take the print tone, dither, invert. `source` gets the picture's
// own size when the decode succeeds; `why` explains a failure.
ConvertResult ConvertPicture(std::span<const std::uint8_t> file, const ConvertSettings& settings,
                             const DecodeLimits& limits, Size& source, DotImage& dots,
                             std::string& why);

// Bytes of the NV download block for this picture: 4 + columns x column bytes.
std::uint64_t NvBlockBytes(Size dots);

} // namespace quillet::logo
