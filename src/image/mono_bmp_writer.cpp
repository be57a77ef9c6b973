#include "image/mono_bmp_writer.h"

#include "image/mono_bmp_header.h"

namespace quillet {
namespace {

constexpr std::uint32_t kHeaderSize = kMonoBmpHeaderSize;
// 203 dots per inch, the printers' resolution, in dots per metre.
constexpr std::uint32_t kDotsPerMetre = 7992;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

} // namespace

std::vector<std::uint8_t> MonoBmpFile(const DotImage& dots) {
    const std::uint32_t stride = (dots.width + 31) / 32 * 4;
    const std::uint32_t pixelBytes = stride * dots.height;
    std::vector<std::uint8_t> out(kHeaderSize + std::size_t{pixelBytes}, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, kHeaderSize + pixelBytes);
    Put32(out, 10, kHeaderSize);
    Put32(out, 14, 40);
    Put32(out, 18, dots.width);
    Put32(out, 22, dots.height); // positive: bottom-up
    Put16(out, 26, 1);           // planes
    Put16(out, 28, 1);           // bits per pixel
    Put32(out, 30, 0);           // BI_RGB
    Put32(out, 34, pixelBytes);
    Put32(out, 38, kDotsPerMetre);
    Put32(out, 42, kDotsPerMetre);
    Put32(out, 46, 2); // colours used
    Put32(out, 50, 2); // colours important
    // Palette (blue, green, red, reserved): entry 0 black, entry 1 white.
    for (std::size_t i = 58; i < 61; ++i) {
        out[i] = 0xFF;
    }
    // A 1 bit is white; the unused bits of the last byte are white too, as paper.
    for (std::uint32_t top = 0; top < dots.height; ++top) {
        std::uint8_t* row = out.data() + kHeaderSize + std::size_t{dots.height - 1 - top} * stride;
        const std::uint32_t rowBytes = (dots.width + 7) / 8;
        for (std::uint32_t b = 0; b < rowBytes; ++b) {
            row[b] = 0xFF;
        }
        for (std::uint32_t x = 0; x < dots.width; ++x) {
            if (dots.At(x, top)) {
                row[x / 8] &= static_cast<std::uint8_t>(~(0x80u >> (x % 8)));
            }
        }
    }
    return out;
}

} // namespace quillet
