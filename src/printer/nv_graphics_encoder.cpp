#include "printer/nv_graphics_encoder.h"

#include <algorithm>
#include <vector>

namespace quillet {
namespace {

// m fn a kc1 kc2 b xL xH yL yH c: the parameter bytes before the data.
constexpr std::uint32_t kDefinitionParameterBytes = 11;

std::uint8_t Byte(std::uint64_t v, int index) {
    return static_cast<std::uint8_t>(v >> (8 * index));
}

EncodeResult WriteOnce(ByteSink& sink, const std::uint8_t* data, std::size_t size) {
    return sink.Write(data, size) ? EncodeResult::Ok : EncodeResult::WriteFailed;
}

} // namespace

bool IsValidGraphicsKey(std::string_view key) {
    return key.size() == 2 &&
           std::all_of(key.begin(), key.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

BmpCheck CheckGraphicsGeometry(const MonoBmpInfo& info) {
    const bool fits = info.width >= 1 && info.width <= kGraphicsMaxWidth && info.height >= 1 &&
                      info.height <= kGraphicsMaxHeight;
    return fits ? BmpCheck::Ok : BmpCheck::BadGeometry;
}

std::uint64_t GraphicsDataBytes(std::uint32_t width, std::uint32_t height) {
    return (std::uint64_t{width} + 7u) / 8u * height;
}

bool UsesLongGraphicsForm(std::uint64_t dataBytes) {
    return kDefinitionParameterBytes + dataBytes > kGraphicsShortFormMax;
}

EncodeResult WriteGraphicsDefinition(ByteSink& sink, std::string_view key, const MonoBmp& picture) {
    if (!IsValidGraphicsKey(key)) {
        return EncodeResult::BadParameter;
    }
    const MonoBmpInfo& info = picture.Info();
    if (CheckGraphicsGeometry(info) != BmpCheck::Ok) {
        return EncodeResult::TooLarge;
    }
    const std::uint64_t dataBytes = GraphicsDataBytes(info.width, info.height);
    const std::uint64_t length = kDefinitionParameterBytes + dataBytes;
    std::vector<std::uint8_t> header;
    if (!UsesLongGraphicsForm(dataBytes)) {
        header = {0x1D, 0x28, 0x4C, Byte(length, 0), Byte(length, 1)};
    } else {
        header = {0x1D,           0x38, 0x4C, Byte(length, 0), Byte(length, 1), Byte(length, 2),
                  Byte(length, 3)};
    }
    const std::uint8_t parameters[] = {0x30,
                                       0x43,
                                       0x30,
                                       static_cast<std::uint8_t>(key[0]),
                                       static_cast<std::uint8_t>(key[1]),
                                       0x01,
                                       Byte(info.width, 0),
                                       Byte(info.width, 1),
                                       Byte(info.height, 0),
                                       Byte(info.height, 1),
                                       0x31};
    header.insert(header.end(), std::begin(parameters), std::end(parameters));
    if (!sink.Write(header.data(), header.size())) {
        return EncodeResult::WriteFailed;
    }
    for (std::uint32_t top = 0; top < info.height; ++top) {
        const auto row = picture.Row(top);
        if (!sink.Write(row.data(), row.size())) {
            return EncodeResult::WriteFailed;
        }
    }
    return EncodeResult::Ok;
}

EncodeResult WriteGraphicsDelete(ByteSink& sink, std::string_view key) {
    if (!IsValidGraphicsKey(key)) {
        return EncodeResult::BadParameter;
    }
    const std::uint8_t command[] = {0x1D,
                                    0x28,
                                    0x4C,
                                    0x04,
                                    0x00,
                                    0x30,
                                    0x42,
                                    static_cast<std::uint8_t>(key[0]),
                                    static_cast<std::uint8_t>(key[1])};
    return WriteOnce(sink, command, sizeof command);
}

EncodeResult WriteGraphicsPrint(ByteSink& sink, std::string_view key, std::uint8_t scale) {
    if (!IsValidGraphicsKey(key) || (scale != 1 && scale != 2)) {
        return EncodeResult::BadParameter;
    }
    const std::uint8_t command[] = {0x1D,
                                    0x28,
                                    0x4C,
                                    0x06,
                                    0x00,
                                    0x30,
                                    0x45,
                                    static_cast<std::uint8_t>(key[0]),
                                    static_cast<std::uint8_t>(key[1]),
                                    scale,
                                    scale};
    return WriteOnce(sink, command, sizeof command);
}

} // namespace quillet
