#include "logo/png_guard.h"

#include <stb_image.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace quillet::logo {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::array<std::uint8_t, 4> kImageData{'I', 'D', 'A', 'T'};
constexpr std::array<std::uint8_t, 4> kHeader{'I', 'H', 'D', 'R'};
// Apple's variant: its image data is a raw deflate stream without zlib's header.
constexpr std::array<std::uint8_t, 4> kApple{'C', 'g', 'B', 'I'};
// Length, type and CRC around each chunk's data.
constexpr std::size_t kChunkFrame = 12;

std::uint32_t ReadBigEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

bool Is(std::span<const std::uint8_t> type, const std::array<std::uint8_t, 4>& name) {
    return std::equal(name.begin(), name.end(), type.begin());
}

// Calls `chunk(type, data)` for each whole chunk in order, until it returns true.
template <class Chunk> void EachChunk(std::span<const std::uint8_t> file, const Chunk& chunk) {
    if (file.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), file.begin())) {
        return;
    }
    std::size_t at = kSignature.size();
    while (file.size() - at >= kChunkFrame) {
        const std::uint32_t length = ReadBigEndian32(file.subspan(at, 4));
        if (file.size() - at - kChunkFrame < length) {
            return;
        }
        if (chunk(file.subspan(at + 4, 4), file.subspan(at + 8, length))) {
            return;
        }
        at += kChunkFrame + length;
    }
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

// Bytes of `width` pixels of `bits` each, packed.
std::uint64_t RowBytes(std::uint64_t width, std::uint64_t bits) {
    return (width * bits + 7) / 8;
}

} // namespace

std::uint64_t PngImageDataNeed(std::span<const std::uint8_t> file) {
    std::uint64_t need = 0;
    EachChunk(file, [&](std::span<const std::uint8_t> type, std::span<const std::uint8_t> data) {
        if (!Is(type, kHeader)) {
            return Is(type, kImageData);
        }
        if (data.size() != 13) {
            return true;
        }
        const std::uint64_t width = ReadBigEndian32(data.subspan(0, 4));
        const std::uint64_t height = ReadBigEndian32(data.subspan(4, 4));
        const std::uint8_t depth = data[8], colour = data[9], interlace = data[12];
        const int channels = colour == 0   ? 1
                             : colour == 2 ? 3
                             : colour == 3 ? 1
                             : colour == 4 ? 2
                             : colour == 6 ? 4
                                           : 0;
        const std::uint64_t bits = std::uint64_t(channels) * depth;
        if (bits == 0 || width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24)) {
            return true;
        }
        if (interlace == 0) {
            need = height * (1 + RowBytes(width, bits));
            return true;
        }
        // Adam7: seven passes, each a smaller picture of its own rows.
        constexpr std::uint64_t x0[] = {0, 4, 0, 2, 0, 1, 0}, y0[] = {0, 0, 4, 0, 2, 0, 1};
        constexpr std::uint64_t dx[] = {8, 8, 4, 4, 2, 2, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2};
        for (int pass = 0; pass < 7; ++pass) {
            const std::uint64_t w =
                width > x0[pass] ? (width - x0[pass] + dx[pass] - 1) / dx[pass] : 0;
            const std::uint64_t h =
                height > y0[pass] ? (height - y0[pass] + dy[pass] - 1) / dy[pass] : 0;
            if (w > 0 && h > 0) {
                need += h * (1 + RowBytes(w, bits));
            }
        }
        return true;
    });
    return need;
}

PngInflation CheckPngInflation(std::span<const std::uint8_t> file) {
    const std::uint64_t need = PngImageDataNeed(file);
    if (need == 0) {
        return PngInflation::Fits;
    }
    // Encoders may add a little after the last row; stb_image ignores it.
    const std::uint64_t bound = need + need / 8 + 4096;
    if (bound > INT_MAX) {
        return PngInflation::Fits; // the picture's own size limits refuse this first
    }
    std::vector<std::uint8_t> data;
    bool apple = false;
    EachChunk(file, [&](std::span<const std::uint8_t> type, std::span<const std::uint8_t> chunk) {
        apple = apple || Is(type, kApple);
        if (Is(type, kImageData)) {
            data.insert(data.end(), chunk.begin(), chunk.end());
        }
        return false;
    });
    if (data.empty() || data.size() > INT_MAX) {
        return PngInflation::Fits;
    }
    // malloc, as stb_image's own buffers: a failure is an answer, not an abort.
    const std::unique_ptr<char, decltype(&std::free)> out(
        static_cast<char*>(std::malloc(static_cast<std::size_t>(bound))), &std::free);
    if (!out) {
        return PngInflation::NoMemory;
    }
    const char* in = reinterpret_cast<const char*>(data.data());
    const int length = static_cast<int>(data.size());
    const int got = apple ? stbi_zlib_decode_noheader_buffer(out.get(), int(bound), in, length)
                          : stbi_zlib_decode_buffer(out.get(), int(bound), in, length);
    const char* reason = stbi_failure_reason();
    return got < 0 && reason != nullptr && std::strcmp(reason, "output buffer limit") == 0
               ? PngInflation::PastNeed
               : PngInflation::Fits;
}

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
