#include "logo/png_guard.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace quillet::logo {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::array<std::uint8_t, 4> kImageData{'I', 'D', 'A', 'T'};
// Length, type and CRC around each chunk's data.
constexpr std::size_t kChunkFrame = 12;

std::uint32_t ReadBigEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// Calls `idat(length, bytesLeft)` for each IDAT chunk, walking the chunks as stb_image does, which
// either consumes each chunk whole or gives up; stops when `idat` returns true (and returns true).
template <class Idat> bool AnyImageData(std::span<const std::uint8_t> file, const Idat& idat) {
    if (file.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), file.begin())) {
        return false;
    }
    std::size_t at = kSignature.size();
    while (file.size() - at >= 8) {
        const std::uint32_t length = ReadBigEndian32(file.subspan(at, 4));
        const auto type = file.subspan(at + 4, 4);
        if (std::equal(kImageData.begin(), kImageData.end(), type.begin()) &&
            idat(length, file.size() - at - 8)) {
            return true;
        }
        if (file.size() - at < kChunkFrame || file.size() - at - kChunkFrame < length) {
            return false;
        }
        at += kChunkFrame + length;
    }
    return false;
}

} // namespace

bool PngImageDataStartsEmpty(std::span<const std::uint8_t> file) {
    bool first = true;
    return AnyImageData(file, [&](std::uint32_t length, std::size_t) {
        const bool empty = first && length == 0;
        first = false;
        return empty;
    });
}

bool PngImageDataRunsPastEnd(std::span<const std::uint8_t> file) {
    return AnyImageData(file, [](std::uint32_t length, std::size_t left) { return length > left; });
}

} // namespace quillet::logo
