#include "printer/nv_image_encoder.h"

#include <algorithm>

namespace quillet {
namespace {

// Turns eight rows of eight dots (row i in byte 7 - i, MSB leftmost) into eight columns (column j
// in byte 7 - j, MSB topmost).
std::uint64_t TransposeBits(std::uint64_t v) {
    std::uint64_t t = (v ^ (v >> 7)) & 0x00AA00AA00AA00AAull;
    v ^= t ^ (t << 7);
    t = (v ^ (v >> 14)) & 0x0000CCCC0000CCCCull;
    v ^= t ^ (t << 14);
    t = (v ^ (v >> 28)) & 0x00000000F0F0F0F0ull;
    v ^= t ^ (t << 28);
    return v;
}

bool FitsNvBlock(const MonoBmpInfo& info) {
    return info.height != 0 && CheckNvGeometry(info) == BmpCheck::Ok;
}

std::size_t ColumnBytes(const MonoBmpInfo& info) {
    return (info.height + 7u) / 8u;
}

bool WriteBlockHeader(ByteSink& sink, std::size_t x, std::size_t y) {
    const std::uint8_t header[] = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                                   static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8)};
    return sink.Write(header, sizeof header);
}

void ClearWorkArea(NvWorkArea& work) {
    for (auto& column : work) {
        column.fill(0);
    }
}

// Band c: the pixel byte c of every row from the top, eight rows to a column byte. A last byte
// that is only partly filled keeps its low bits clear.
void EncodeBand(const MonoBmp& picture, std::size_t c, NvWorkArea& work) {
    ClearWorkArea(work);
    const std::uint32_t height = picture.Info().height;
    const std::size_t y = ColumnBytes(picture.Info());
    for (std::size_t k = 0; k < y; ++k) {
        const std::uint32_t top = static_cast<std::uint32_t>(8 * k);
        const std::uint32_t rows = std::min<std::uint32_t>(8, height - top);
        std::uint64_t eightRows = 0;
        for (std::uint32_t i = 0; i < rows; ++i) {
            eightRows |= std::uint64_t{picture.Row(top + i)[c]} << (56 - 8 * i);
        }
        const std::uint64_t eightColumns = TransposeBits(eightRows);
        for (std::size_t j = 0; j < 8; ++j) {
            work[j][k] = static_cast<std::uint8_t>(eightColumns >> (56 - 8 * j));
        }
    }
}

bool WriteBand(ByteSink& sink, std::size_t y, const NvWorkArea& work) {
    return std::all_of(work.begin(), work.end(),
                       [&](const auto& column) { return sink.Write(column.data(), y); });
}

} // namespace

BmpCheck CheckNvImageFile(const char* path, MonoBmpInfo& info) {
    const BmpCheck check = CheckMonoBmpFile(path, info);
    return check == BmpCheck::Ok ? CheckNvGeometry(info) : check;
}

BmpCheck ReadCheckedNvPicture(const char* path, const MonoBmpInfo& checked, MonoBmp& picture) {
    // A file changed since its check is refused on its header, before its pixels are read.
    return picture.Read(path, [&checked](const MonoBmpInfo& info) {
        return info.width == checked.width && info.height == checked.height ? CheckNvGeometry(info)
                                                                            : BmpCheck::BadGeometry;
    });
}

EncodeResult WriteNvStreamHeader(ByteSink& sink, std::uint8_t imageCount) {
    const std::uint8_t header[] = {0x1C, 0x71, imageCount};
    return sink.Write(header, sizeof header) ? EncodeResult::Ok : EncodeResult::WriteFailed;
}

EncodeResult WriteNvImageBlock(ByteSink& sink, const MonoBmp& picture, NvWorkArea& work) {
    const MonoBmpInfo& info = picture.Info();
    if (!FitsNvBlock(info)) {
        return EncodeResult::TooLarge;
    }
    const std::size_t x = info.rowBytes;
    const std::size_t y = ColumnBytes(info);
    if (!WriteBlockHeader(sink, x, y)) {
        return EncodeResult::WriteFailed;
    }
    for (std::size_t c = 0; c < x; ++c) {
        EncodeBand(picture, c, work);
        if (!WriteBand(sink, y, work)) {
            return EncodeResult::WriteFailed;
        }
    }
    return EncodeResult::Ok;
}

EncodeResult WriteNvBlankBlock(ByteSink& sink, const MonoBmpInfo& geometry, NvWorkArea& work) {
    if (!FitsNvBlock(geometry)) {
        return EncodeResult::TooLarge;
    }
    const std::size_t x = geometry.rowBytes;
    const std::size_t y = ColumnBytes(geometry);
    if (!WriteBlockHeader(sink, x, y)) {
        return EncodeResult::WriteFailed;
    }
    ClearWorkArea(work);
    for (std::size_t c = 0; c < x; ++c) {
        if (!WriteBand(sink, y, work)) {
            return EncodeResult::WriteFailed;
        }
    }
    return EncodeResult::Ok;
}

} // namespace quillet
