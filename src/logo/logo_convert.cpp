#include "logo/logo_convert.h"

#include "logo/scale.h"

#include <cmath>
#include <new>
#include <utility>

namespace quillet::logo {

Size TargetSize(Size picture, const ConvertSettings& settings) {
    std::uint32_t width = settings.width;
    if (width == 0) {
        width = picture.width < settings.maxWidth ? picture.width : settings.maxWidth;
    }
    const double height = std::round(double(picture.height) * width / picture.width);
    Size out{width, 1};
    if (height > 1) {
        out.height = height > 4294967295.0 ? 4294967295u : static_cast<std::uint32_t>(height);
    }
    return out;
}

namespace {

ConvertResult Convert(std::span<const std::uint8_t> file, const ConvertSettings& settings,
                      const DecodeLimits& limits, Size& source, DotImage& dots, std::string& why) {
    LightImage picture;
    switch (DecodePicture(file, limits, picture, why)) {
    case DecodeResult::Ok:
        break;
    case DecodeResult::NotAPicture:
        return ConvertResult::NotAPicture;
    case DecodeResult::TooLarge:
        return ConvertResult::TooLarge;
    case DecodeResult::Damaged:
        return ConvertResult::Damaged;
    case DecodeResult::NoMemory:
        return ConvertResult::NoMemory;
    }
    source = {picture.width, picture.height};
    const Size target = TargetSize(source, settings);
    if (target.height > kMaxHeightDots) {
        why = "at " + std::to_string(target.width) + " dots wide the logo would be " +
              std::to_string(target.height) + " dots tall, more than " +
              std::to_string(kMaxHeightDots);
        return ConvertResult::TooTall;
    }
    if (!ScaleLight(picture, target.width, target.height)) {
        why = "not enough memory to scale the picture";
        return ConvertResult::NoMemory;
    }
    // A threshold cuts the picture's own grey: --threshold keeps one meaning whatever the gamma.
    const double gamma = settings.dither == DitherKind::Threshold ? kDefaultGamma : settings.gamma;
    dots = Dither(PrintTone(std::move(picture), gamma), settings.dither, settings.threshold);
    if (settings.invert) {
        for (std::uint8_t& dot : dots.dots) {
            dot = !dot;
        }
    }
    return ConvertResult::Ok;
}

} // namespace

ConvertResult ConvertPicture(std::span<const std::uint8_t> file, const ConvertSettings& settings,
                             const DecodeLimits& limits, Size& source, DotImage& dots,
                             std::string& why) {
    try {
        return Convert(file, settings, limits, source, dots, why);
    } catch (const std::bad_alloc&) {
        dots = {};
        why = "not enough memory to convert the picture";
        return ConvertResult::NoMemory;
    }
}

std::uint64_t NvBlockBytes(Size dots) {
    const std::uint64_t columnBytes = (dots.height + 7) / 8;
    const std::uint64_t columns = (dots.width + 7) / 8 * 8;
    return 4 + columns * columnBytes;
}

} // namespace quillet::logo
