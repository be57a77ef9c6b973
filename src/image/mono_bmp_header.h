#pragma once

#include "image/bmp_check.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

// Every file is taken as the classic layout: file header, 40-byte info header, two palette
// entries, pixel rows from here on.
inline constexpr std::size_t kMonoBmpHeaderSize = 62;
// The widest and tallest picture read: its header's sides are taken as 16-bit numbers.
inline constexpr std::uint32_t kMonoBmpMaxSide = 0xFFFF;

// The NV download's columns hold at most 1000 bytes.
inline constexpr std::uint32_t kNvMaxHeight = 8000;
// Raster printing sends rows from a 200-byte row buffer: pictures up to 1600 dots wide.
inline constexpr std::uint32_t kRasterMaxRowBytes = 200;
inline constexpr std::uint32_t kRasterMaxWidth = kRasterMaxRowBytes * 8;

// What the header says about the picture.
struct MonoBmpInfo {
    std::uint32_t fileSize = 0;    // F: the size field, not the real length
    std::uint16_t width = 0;       // W, dots
    std::uint16_t height = 0;      // H, rows
    std::uint32_t stride = 0;      // S = (F - 62) / H
    std::uint32_t rowBytes = 0;    // B = ceil(W / 8)
    bool invert = false;           // palette entry 0 has blue 0: complement every pixel byte
    std::uint8_t lastByteMask = 0; // ANDed onto byte B-1; 0 when W is a multiple of 8
};

// Signature and geometry checks on the first 62 bytes. Fills `info` when the result is Ok.
BmpCheck ParseMonoBmpHeader(const std::uint8_t (&header)[kMonoBmpHeaderSize], MonoBmpInfo& info);

// Whether the picture fits the NV download (Ok or BadGeometry).
BmpCheck CheckNvGeometry(const MonoBmpInfo& info);
// Whether the picture fits raster printing (Ok or BadGeometry).
BmpCheck CheckRasterGeometry(const MonoBmpInfo& info);

} // namespace quillet
