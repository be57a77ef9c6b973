#include "printer/raster_encoder.h"

namespace quillet {

EncodeResult WriteRasterImage(ByteSink& sink, const MonoBmp& picture) {
    const MonoBmpInfo& info = picture.Info();
    if (info.height == 0 || CheckRasterGeometry(info) != BmpCheck::Ok) {
        return EncodeResult::TooLarge;
    }
    const std::uint32_t x = info.rowBytes;
    const std::uint32_t y = info.height;
    const std::uint8_t header[] = {0x1D,
                                   0x76,
                                   0x30,
                                   0x00,
                                   static_cast<std::uint8_t>(x),
                                   static_cast<std::uint8_t>(x >> 8),
                                   static_cast<std::uint8_t>(y),
                                   static_cast<std::uint8_t>(y >> 8)};
    if (!sink.Write(header, sizeof header)) {
        return EncodeResult::WriteFailed;
    }
    for (std::uint32_t top = 0; top < y; ++top) {
        const auto row = picture.Row(top);
        if (!sink.Write(row.data(), row.size())) {
            return EncodeResult::WriteFailed;
        }
    }
    return EncodeResult::Ok;
}

} // namespace quillet
