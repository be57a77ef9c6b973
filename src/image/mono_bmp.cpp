#include "image/mono_bmp.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace quillet {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` and runs the header checks, in their documented order.
BmpCheck OpenAndCheck(const char* path, FilePtr& file, MonoBmpInfo& info) {
    file.reset(std::fopen(path, "rb"));
    if (!file) {
        return BmpCheck::CannotOpen;
    }
    std::uint8_t header[kMonoBmpHeaderSize];
    const std::size_t got = std::fread(header, 1, sizeof header, file.get());
    if (got < sizeof header) {
        return std::ferror(file.get()) ? BmpCheck::ReadError : BmpCheck::TooShort;
    }
    return ParseMonoBmpHeader(header, info);
}

// Bytes from offset 62 up to the end of the top row's pixel bytes.
std::uint64_t PixelExtent(const MonoBmpInfo& info) {
    return std::uint64_t{info.stride} * (info.height - 1u) + info.rowBytes;
}

} // namespace

BmpCheck CheckMonoBmpFile(const char* path, MonoBmpInfo& info) {
    FilePtr file;
    return OpenAndCheck(path, file, info);
}

void MonoBmp::Clear() {
    info_ = MonoBmpInfo{};
    pixels_.clear();
    pixels_.shrink_to_fit();
    cutRow_.clear();
    blankRow_.clear();
}

BmpCheck MonoBmp::Read(const char* path) {
    Clear();
    FilePtr file;
    MonoBmpInfo info;
    BmpCheck check = OpenAndCheck(path, file, info);
    if (check != BmpCheck::Ok) {
        return check;
    }
    info_ = info;
    check = ReadPixels(file.get());
    if (check != BmpCheck::Ok) {
        Clear();
        return check;
    }
    PreparePixels();
    return BmpCheck::Ok;
}

BmpCheck MonoBmp::Decode(std::span<const std::uint8_t> file) {
    Clear();
    if (file.size() < kMonoBmpHeaderSize) {
        return BmpCheck::TooShort;
    }
    std::uint8_t header[kMonoBmpHeaderSize];
    std::copy_n(file.begin(), kMonoBmpHeaderSize, header);
    MonoBmpInfo info;
    const BmpCheck check = ParseMonoBmpHeader(header, info);
    if (check != BmpCheck::Ok) {
        return check;
    }
    info_ = info;
    const auto body = file.subspan(kMonoBmpHeaderSize);
    const auto kept =
        static_cast<std::size_t>(std::min<std::uint64_t>(PixelExtent(info), body.size()));
    pixels_.assign(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(kept));
    PreparePixels();
    return BmpCheck::Ok;
}

// Reads in a few large pieces, growing the buffer as the file proves long enough, so that a
// short file with a header claiming gigabytes costs only its real length.
BmpCheck MonoBmp::ReadPixels(std::FILE* file) {
    constexpr std::uint64_t kFirstPiece = 64u << 10;
    const std::uint64_t extent = PixelExtent(info_);
    try {
        while (pixels_.size() < extent) {
            const std::size_t have = pixels_.size();
            const auto want = static_cast<std::size_t>(
                std::min<std::uint64_t>(extent, std::max<std::uint64_t>(kFirstPiece, 2 * have)));
            pixels_.resize(want);
            const std::size_t got = std::fread(pixels_.data() + have, 1, want - have, file);
            if (got < want - have) {
                pixels_.resize(have + got);
                return std::ferror(file) ? BmpCheck::ReadError : BmpCheck::Ok;
            }
        }
    } catch (const std::bad_alloc&) {
        return BmpCheck::ReadError;
    }
    return BmpCheck::Ok;
}

// Inverts and masks each row's pixel bytes in place; rows never overlap since S >= B.
void MonoBmp::PreparePixels() {
    const std::size_t rowBytes = info_.rowBytes;
    const std::size_t have = pixels_.size();
    blankRow_.assign(rowBytes, 0);
    for (std::uint32_t r = 0; r < info_.height; ++r) {
        const std::uint64_t start = std::uint64_t{info_.stride} * r;
        if (start >= have) {
            break;
        }
        const auto first = static_cast<std::size_t>(start);
        const std::size_t end = std::min(first + rowBytes, have);
        std::uint8_t* row = pixels_.data() + first;
        if (info_.invert) {
            for (std::uint8_t* p = row; p != pixels_.data() + end; ++p) {
                *p = static_cast<std::uint8_t>(~*p);
            }
        }
        if (end - first < rowBytes) {
            cutRow_.assign(rowBytes, 0);
            std::copy(row, pixels_.data() + end, cutRow_.begin());
            row = cutRow_.data();
        }
        if (info_.lastByteMask != 0) {
            row[rowBytes - 1] &= info_.lastByteMask;
        }
    }
}

} // namespace quillet
