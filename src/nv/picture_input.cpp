#include "nv/picture_input.h"

#include "logo/file_paths.h"
#include "image/mono_bmp_writer.h"
#include "printer/nv_graphics_encoder.h"

#include <cstdint>
#include <vector>

namespace quillet::nv {
namespace {

// Far above any logo's file, and far below what decoding could not afford.
constexpr std::uint64_t kMaxFileBytes = 256ull << 20;

// "BM" with a bit count of 1: the dialog's road, with its checks. Anything else is a picture
// for the converter (a 24-bit BMP included).
bool IsOneBitBmp(const std::vector<std::uint8_t>& file) {
    return file.size() >= 30 && file[0] == 'B' && file[1] == 'M' && file[28] == 1 && file[29] == 0;
}

BmpCheck FitsNvDownload(const MonoBmpInfo& info) {
    if (CheckNvGeometry(info) != BmpCheck::Ok || info.width > kNvPrinterMaxWidth ||
        info.height > kNvPrinterMaxHeight)
        return BmpCheck::BadGeometry;
    return BmpCheck::Ok;
}

std::string GeometryLimit(PictureUse use) {
    if (use == PictureUse::Graphics)
        return "NV graphics take 1 to " + std::to_string(kGraphicsMaxWidth) +
               " dots across and 1 to " + std::to_string(kGraphicsMaxHeight) + " high";
    if (use == PictureUse::Raster)
        return "raster printing takes at most " + std::to_string(kRasterMaxRowBytes * 8) +
               " dots across";
    return "the NV download takes at most " + std::to_string(kNvPrinterMaxWidth) + " x " +
           std::to_string(kNvPrinterMaxHeight) + " dots";
}

std::string Refusal(BmpCheck check, PictureUse use) {
    switch (check) {
    case BmpCheck::TooShort:
        return "not a whole BMP (shorter than its 62-byte header)";
    case BmpCheck::NotOneBit:
        return "not a 1-bit BMP";
    case BmpCheck::BadGeometry:
        return "does not fit: " + GeometryLimit(use);
    case BmpCheck::CannotOpen:
    case BmpCheck::ReadError:
        return "cannot be read";
    case BmpCheck::Ok:
        break;
    }
    return {};
}

std::string ConvertRefusal(logo::ConvertResult result, const std::string& why) {
    switch (result) {
    case logo::ConvertResult::NotAPicture:
        return "not a picture (" + why + ")";
    case logo::ConvertResult::TooLarge:
    case logo::ConvertResult::TooTall:
        return "too large: " + why;
    case logo::ConvertResult::Damaged:
        return "the picture is damaged (" + why + ")";
    case logo::ConvertResult::NoMemory:
        return "not enough memory to convert it";
    case logo::ConvertResult::Ok:
        break;
    }
    return why;
}

} // namespace

bool LoadPicture(const std::string& path, PictureUse use, const logo::ConvertSettings& convert,
                 MonoBmp& picture, std::string& why) {
    std::vector<std::uint8_t> file;
    std::string readWhy;
    if (!logo::ReadWholeFile(logo::PathFromUtf8(path), kMaxFileBytes, file, readWhy)) {
        why = "cannot read '" + path + "': " + readWhy;
        return false;
    }
    const GeometryCheck fits = use == PictureUse::NvImage  ? GeometryCheck(FitsNvDownload)
                               : use == PictureUse::Raster ? GeometryCheck(CheckRasterGeometry)
                                                           : GeometryCheck(CheckGraphicsGeometry);
    if (!IsOneBitBmp(file)) {
        logo::Size source;
        logo::DotImage dots;
        std::string convertWhy;
        const logo::ConvertResult result =
            logo::ConvertPicture(file, convert, logo::DecodeLimits{}, source, dots, convertWhy);
        if (result != logo::ConvertResult::Ok) {
            why = "'" + path + "': " + ConvertRefusal(result, convertWhy);
            return false;
        }
        file = MonoBmpFile(dots);
    }
    const BmpCheck check = picture.Decode(file, fits);
    if (check != BmpCheck::Ok) {
        why = "'" + path + "': " + Refusal(check, use);
        return false;
    }
    return true;
}

} // namespace quillet::nv
