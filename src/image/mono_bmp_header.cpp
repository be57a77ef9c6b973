#include "image/mono_bmp_header.h"

namespace quillet {
namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

constexpr std::uint8_t kLastByteMasks[8] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};

} // namespace

BmpCheck ParseMonoBmpHeader(const std::uint8_t (&header)[kMonoBmpHeaderSize], MonoBmpInfo& info) {
    // Only byte 28 of the 16-bit bits-per-pixel field is compared.
    if (header[0] != 0x42 || header[1] != 0x4D || header[28] != 1) {
        return BmpCheck::NotOneBit;
    }
    const std::uint32_t fileSize = ReadLe32(header + 2);
    // A negative (top-down) height or width shows up here as a value of 65536 or more.
    const std::uint32_t width = ReadLe32(header + 18);
    const std::uint32_t height = ReadLe32(header + 22);
    if (width == 0 || width > kMonoBmpMaxSide || height == 0 || height > kMonoBmpMaxSide ||
        fileSize < kMonoBmpHeaderSize) {
        return BmpCheck::BadGeometry;
    }
    // A stride below the row's pixel bytes (even 0) is still read by the formula: rows overlap.
    const std::uint32_t stride = (fileSize - kMonoBmpHeaderSize) / height;
    const std::uint32_t rowBytes = (width + 7) / 8;
    info.fileSize = fileSize;
    info.width = static_cast<std::uint16_t>(width);
    info.height = static_cast<std::uint16_t>(height);
    info.stride = stride;
    info.rowBytes = rowBytes;
    info.invert = header[54] == 0;
    info.lastByteMask = kLastByteMasks[width % 8];
    return BmpCheck::Ok;
}

BmpCheck CheckNvGeometry(const MonoBmpInfo& info) {
    return info.height <= kNvMaxHeight ? BmpCheck::Ok : BmpCheck::BadGeometry;
}

BmpCheck CheckRasterGeometry(const MonoBmpInfo& info) {
    return info.stride <= kRasterMaxRowBytes && info.rowBytes <= kRasterMaxRowBytes
               ? BmpCheck::Ok
               : BmpCheck::BadGeometry;
}

} // namespace quillet
