#include "nv/job_payload.h"

#include "nv/picture_input.h"
#include "printer/nv_graphics_encoder.h"
#include "printer/nv_image_encoder.h"
#include "printer/nv_print_commands.h"
#include "printer/raster_encoder.h"

#include <memory>

namespace quillet::nv {
namespace {

class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Write(const std::uint8_t* data, std::size_t size) override {
        bytes_.insert(bytes_.end(), data, data + size);
        return true;
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

} // namespace

bool BuildStorePayload(const std::vector<std::string>& files, const logo::ConvertSettings& convert,
                       Payload& payload, std::string& why) {
    payload = Payload{};
    if (files.empty() || files.size() > kMaxStoreFiles) {
        why = "store takes 1 to " + std::to_string(kMaxStoreFiles) +
              " files in one download, not " + std::to_string(files.size());
        return false;
    }
    // Every file is read before a byte is encoded: FS q replaces the printer's whole store.
    std::vector<MonoBmp> pictures(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!LoadPicture(files[i], PictureUse::NvImage, convert, pictures[i], why))
            return false;
    }
    VectorSink sink(payload.bytes);
    auto work = std::make_unique<NvWorkArea>();
    WriteNvStreamHeader(sink, static_cast<std::uint8_t>(files.size()));
    for (const MonoBmp& picture : pictures) {
        if (WriteNvImageBlock(sink, picture, *work) != EncodeResult::Ok) {
            why = "a picture does not fit the NV download";
            return false;
        }
    }
    payload.items = static_cast<unsigned>(files.size());
    return true;
}

bool BuildRasterPayload(const std::vector<std::string>& files, const logo::ConvertSettings& convert,
                        Payload& payload, std::string& why) {
    payload = Payload{};
    std::vector<MonoBmp> pictures(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!LoadPicture(files[i], PictureUse::Raster, convert, pictures[i], why))
            return false;
    }
    VectorSink sink(payload.bytes);
    for (const MonoBmp& picture : pictures) {
        if (WriteRasterImage(sink, picture) != EncodeResult::Ok) {
            why = "a picture does not fit raster printing";
            return false;
        }
        WritePrintTrailer(sink);
    }
    payload.items = static_cast<unsigned>(files.size());
    return true;
}

bool BuildGraphicsStorePayload(const std::vector<std::string>& files,
                               const std::vector<std::string>& keys,
                               const logo::ConvertSettings& convert, Payload& payload,
                               std::string& why) {
    payload = Payload{};
    std::vector<MonoBmp> pictures(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!LoadPicture(files[i], PictureUse::Graphics, convert, pictures[i], why))
            return false;
    }
    VectorSink sink(payload.bytes);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (WriteGraphicsDefinition(sink, keys[i], pictures[i]) != EncodeResult::Ok) {
            why = "'" + files[i] + "' cannot be defined as key '" + keys[i] + "'";
            return false;
        }
        payload.definitionEnds.push_back(payload.bytes.size());
        const MonoBmpInfo& info = pictures[i].Info();
        payload.graphicsNeed += GraphicsDataBytes(info.width, info.height) + kGraphicsOverheadBytes;
    }
    payload.items = static_cast<unsigned>(files.size());
    return true;
}

Payload BuildGraphicsPrintPayload(const std::vector<std::string>& keys, std::uint8_t scale) {
    Payload payload;
    VectorSink sink(payload.bytes);
    for (const std::string& key : keys)
        WriteGraphicsPrint(sink, key, scale);
    WritePrintTrailer(sink);
    payload.items = static_cast<unsigned>(keys.size());
    return payload;
}

Payload BuildGraphicsDeletePayload(const std::vector<std::string>& keys) {
    Payload payload;
    if (keys.empty())
        payload.bytes.assign(kGraphicsDeleteAll.begin(), kGraphicsDeleteAll.end());
    VectorSink sink(payload.bytes);
    for (const std::string& key : keys)
        WriteGraphicsDelete(sink, key);
    payload.items = static_cast<unsigned>(keys.size());
    return payload;
}

Payload BuildPrintPayload(const std::vector<std::uint8_t>& numbers) {
    Payload payload;
    VectorSink sink(payload.bytes);
    for (const std::uint8_t n : numbers)
        WriteNvPrint(sink, n);
    WritePrintTrailer(sink);
    payload.items = static_cast<unsigned>(numbers.size());
    return payload;
}

Payload BuildSettingPayload(SettingCommand command, std::int32_t feedMm) {
    Payload payload;
    VectorSink sink(payload.bytes);
    WriteSettingCommand(sink, command, feedMm);
    payload.items = 1;
    return payload;
}

} // namespace quillet::nv
