#include "printer/nv_image_encoder.h"

#include <algorithm>
#include <array>
#include <span>

namespace quillet {
namespace {

constexpr std::size_t kMaxColumnBytes = kNvMaxHeight / 8;
// Bands converted per pass over the rows: one 64-byte stretch of each row at a time.
constexpr std::size_t kBandsPerPass = 8;

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

// Fills the columns of bands [firstBand, firstBand + bands) for every row of the picture.
// Column (b, j) of the pass lies at columns[(8 * b + j) * columnBytes].
void ConvertBands(const MonoBmp& picture, std::size_t firstBand, std::size_t bands,
                  std::size_t columnBytes, std::uint8_t* columns) {
    const std::uint32_t height = picture.Info().height;
    for (std::size_t k = 0; k < columnBytes; ++k) {
        const std::uint32_t top = static_cast<std::uint32_t>(8 * k);
        const std::uint32_t rows = std::min<std::uint32_t>(8, height - top);
        std::array<const std::uint8_t*, 8> row{};
        for (std::uint32_t i = 0; i < rows; ++i) {
            row[i] = picture.Row(top + i).data() + firstBand;
        }
        for (std::size_t b = 0; b < bands; ++b) {
            std::uint64_t block = 0;
            for (std::uint32_t i = 0; i < rows; ++i) {
                block |= std::uint64_t{row[i][b]} << (56 - 8 * i);
            }
            block = TransposeBits(block);
            std::uint8_t* column = columns + 8 * b * columnBytes + k;
            for (std::size_t j = 0; j < 8; ++j) {
                column[j * columnBytes] = static_cast<std::uint8_t>(block >> (56 - 8 * j));
            }
        }
    }
}

} // namespace

BmpCheck CheckNvImageFile(const char* path) {
    MonoBmpInfo info;
    const BmpCheck check = CheckMonoBmpFile(path, info);
    return check == BmpCheck::Ok ? CheckNvGeometry(info) : check;
}

EncodeResult WriteNvStreamHeader(ByteSink& sink, std::uint8_t imageCount) {
    const std::uint8_t header[] = {0x1C, 0x71, imageCount};
    return sink.Write(header, sizeof header) ? EncodeResult::Ok : EncodeResult::WriteFailed;
}

EncodeResult WriteNvImageBlock(ByteSink& sink, const MonoBmp& picture) {
    const MonoBmpInfo& info = picture.Info();
    if (info.height == 0 || CheckNvGeometry(info) != BmpCheck::Ok) {
        return EncodeResult::TooLarge;
    }
    const std::size_t x = info.rowBytes;
    const std::size_t y = (info.height + 7u) / 8u;
    const std::uint8_t header[] = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                                   static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8)};
    if (!sink.Write(header, sizeof header)) {
        return EncodeResult::WriteFailed;
    }
    std::array<std::uint8_t, kBandsPerPass * 8 * kMaxColumnBytes> columns;
    for (std::size_t firstBand = 0; firstBand < x; firstBand += kBandsPerPass) {
        const std::size_t bands = std::min(kBandsPerPass, x - firstBand);
        ConvertBands(picture, firstBand, bands, y, columns.data());
        for (std::size_t c = 0; c < 8 * bands; ++c) {
            if (!sink.Write(columns.data() + c * y, y)) {
                return EncodeResult::WriteFailed;
            }
        }
    }
    return EncodeResult::Ok;
}

} // namespace quillet
