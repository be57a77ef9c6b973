#include "image/mono_bmp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace quillet {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::uint64_t kNoEnd = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t kPiece = 64u << 10;

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

bool SeekFromStart(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// The pixel data of an open file, read from increasing offsets (counted from byte 62).
class FileSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size, std::size_t& got) {
        got = 0;
        if (offset != position_) {
            if (offset > kNoEnd - kMonoBmpHeaderSize ||
                !SeekFromStart(file_, kMonoBmpHeaderSize + offset)) {
                return true; // past anything a file can hold: nothing more to read
            }
            position_ = offset;
        }
        got = std::fread(out, 1, size, file_);
        position_ += got;
        return !std::ferror(file_);
    }

private:
    std::FILE* file_;
    std::uint64_t position_ = 0;
};

// The pixel data of a file in memory.
class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> body) : body_(body) {}
    bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size, std::size_t& got) {
        got = offset < body_.size()
                  ? static_cast<std::size_t>(std::min<std::uint64_t>(size, body_.size() - offset))
                  : 0;
        std::memcpy(out, body_.data() + (got ? offset : 0), got);
        return true;
    }

private:
    std::span<const std::uint8_t> body_;
};

} // namespace

BmpCheck CheckMonoBmpFile(const char* path, MonoBmpInfo& info) {
    FilePtr file;
    return OpenAndCheck(path, file, info);
}

void MonoBmp::Clear() {
    info_ = MonoBmpInfo{};
    rows_.clear();
    rows_.shrink_to_fit();
}

BmpCheck MonoBmp::Read(const char* path, const GeometryCheck& fits) {
    Clear();
    FilePtr file;
    MonoBmpInfo info;
    BmpCheck check = OpenAndCheck(path, file, info);
    if (check == BmpCheck::Ok) {
        check = fits(info);
    }
    if (check != BmpCheck::Ok) {
        return check;
    }
    info_ = info;
    FileSource source(file.get());
    check = Gather(source);
    if (check != BmpCheck::Ok) {
        Clear();
    }
    return check;
}

BmpCheck MonoBmp::Decode(std::span<const std::uint8_t> file, const GeometryCheck& fits) {
    Clear();
    if (file.size() < kMonoBmpHeaderSize) {
        return BmpCheck::TooShort;
    }
    std::uint8_t header[kMonoBmpHeaderSize];
    std::copy_n(file.begin(), kMonoBmpHeaderSize, header);
    MonoBmpInfo info;
    BmpCheck check = ParseMonoBmpHeader(header, info);
    if (check == BmpCheck::Ok) {
        check = fits(info);
    }
    if (check != BmpCheck::Ok) {
        return check;
    }
    info_ = info;
    MemorySource source(file.subspan(kMonoBmpHeaderSize));
    check = Gather(source);
    if (check != BmpCheck::Ok) {
        Clear();
    }
    return check;
}

// File row r's pixel bytes lie at S * r; the stride padding between rows is skipped, rows that
// overlap (S < B) share their bytes. The source is read in large pieces at increasing offsets,
// so a well-formed file is read straight through and a header claiming gigabytes of padding
// costs a seek per row, not the padding.
template <class Source> BmpCheck MonoBmp::Gather(Source& source) {
    const std::uint64_t stride = info_.stride;
    const std::size_t rowBytes = info_.rowBytes;
    const std::uint32_t height = info_.height;
    std::vector<std::uint8_t> piece;
    try {
        rows_.assign(rowBytes * height, 0);
        piece.resize(kPiece);
    } catch (const std::bad_alloc&) {
        return BmpCheck::ReadError;
    }
    const std::uint64_t extent = stride * (height - 1u) + rowBytes;
    std::uint64_t available = kNoEnd; // where the file ends, once seen
    std::uint64_t position = 0;
    std::uint32_t first = 0; // the lowest row still missing bytes
    while (first < height) {
        position = std::max(position, stride * first);
        std::uint64_t want = std::min<std::uint64_t>(kPiece, extent - position);
        if (stride >= kPiece) {
            want = std::min(want, stride * first + rowBytes - position); // that row alone
        }
        std::size_t got = 0;
        if (!source.ReadAt(position, piece.data(), static_cast<std::size_t>(want), got)) {
            return BmpCheck::ReadError;
        }
        const std::uint64_t end = position + got;
        for (std::uint32_t r = first; r < height && stride * r < end; ++r) {
            const std::uint64_t start = stride * r;
            const std::uint64_t from = std::max(start, position);
            const std::uint64_t to = std::min(start + rowBytes, end);
            if (from < to) {
                std::memcpy(rows_.data() + std::size_t{rowBytes} * r + (from - start),
                            piece.data() + (from - position), static_cast<std::size_t>(to - from));
            }
        }
        if (got < want) {
            available = end;
            break;
        }
        while (first < height && stride * first + rowBytes <= end) {
            ++first;
        }
        position = end;
    }
    Prepare(available);
    return BmpCheck::Ok;
}

// Inverts and masks the bytes the file held; those past its end stay blank.
void MonoBmp::Prepare(std::uint64_t available) {
    const std::size_t rowBytes = info_.rowBytes;
    for (std::uint32_t r = 0; r < info_.height; ++r) {
        const std::uint64_t start = std::uint64_t{info_.stride} * r;
        const std::size_t held =
            start >= available
                ? 0
                : static_cast<std::size_t>(std::min<std::uint64_t>(rowBytes, available - start));
        std::uint8_t* row = rows_.data() + rowBytes * r;
        if (info_.invert) {
            for (std::size_t c = 0; c < held; ++c) {
                row[c] = static_cast<std::uint8_t>(~row[c]);
            }
        }
        if (info_.lastByteMask != 0) {
            row[rowBytes - 1] &= info_.lastByteMask;
        }
    }
}

} // namespace quillet
