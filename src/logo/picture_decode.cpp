#include "logo/picture_decode.h"

#include "logo/jpeg_guard.h"
#include "logo/png_guard.h"
#include "logo/srgb.h"
#include "logo/stb_failure.h"

#include <stb_image.h>

#include <climits>
#include <memory>
#include <new>

namespace quillet::logo {
namespace {

struct StbiFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// Rec. 709 weights: luminance is a sum of linear light, not of code values.
constexpr float kRed = 0.2126f;
constexpr float kGreen = 0.7152f;
constexpr float kBlue = 0.0722f;

void ToLight(const stbi_uc* pixels, int channels, std::size_t count, float* out) {
    const std::array<float, 256>& lin = SrgbToLinearTable();
    const bool alpha = channels == 2 || channels == 4;
    for (std::size_t i = 0; i < count; ++i, pixels += channels) {
        float y = channels >= 3
                      ? kRed * lin[pixels[0]] + kGreen * lin[pixels[1]] + kBlue * lin[pixels[2]]
                      : lin[pixels[0]];
        if (alpha) {
            // Coverage mixes light: the pixel over white paper.
            const float a = pixels[channels - 1] * (1.0f / 255.0f);
            y = a * y + (1.0f - a);
        }
        out[i] = y;
    }
}

std::string Reason() {
    const char* reason = stbi_failure_reason();
    return reason && *reason ? reason : "unknown";
}

// stbi_load asks each format in turn whether the file is its own, and two of the questions leave
// a reason behind when the answer is no. The loader that takes the file never fails with them, so
// after a load they mean its own failure gave no reason.
std::string LoadReason() {
    const std::string reason = Reason();
    return reason == "bad png sig" || reason == "no SOI" ? "unknown" : reason;
}

constexpr const char* kNoMemory = "not enough memory to decode the picture";

} // namespace

DecodeResult DecodePicture(std::span<const std::uint8_t> file, const DecodeLimits& limits,
                           LightImage& picture, std::string& why) {
    picture = {};
    if (file.empty()) {
        why = "the file is empty";
        return DecodeResult::NotAPicture;
    }
    if (file.size() > INT_MAX) {
        why = "the file is too large";
        return DecodeResult::TooLarge;
    }
    if (!JpegHuffmanTablesFit(file)) {
        why = "the picture is damaged (bad Huffman table)";
        return DecodeResult::Damaged;
    }
    if (PngImageDataStartsEmpty(file)) {
        why = "a PNG whose image data starts with an empty chunk is not supported";
        return DecodeResult::Damaged;
    }
    if (PngImageDataRunsPastEnd(file)) {
        why = "the picture is damaged (its image data runs past the end of the file)";
        return DecodeResult::Damaged;
    }
    const int length = static_cast<int>(file.size());
    int width = 0, height = 0, channels = 0;
    QuilletStbClearFailureReason();
    if (!stbi_info_from_memory(file.data(), length, &width, &height, &channels)) {
        if (QuilletStbRanOutOfMemory()) {
            why = kNoMemory;
            return DecodeResult::NoMemory;
        }
        const std::string reason = Reason();
        if (reason == "unknown image type") {
            why = "not a PNG, JPEG, GIF, BMP, TGA or PNM picture";
            return DecodeResult::NotAPicture;
        }
        why = "the picture is damaged (" + reason + ")";
        return DecodeResult::Damaged;
    }
    if (width <= 0 || height <= 0) {
        why = "the picture is damaged (its header gives no size)";
        return DecodeResult::Damaged;
    }
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (std::uint32_t(width) > limits.maxSide || std::uint32_t(height) > limits.maxSide ||
        pixels > limits.maxPixels) {
        why = std::to_string(width) + " x " + std::to_string(height) +
              " pixels is more than this program takes (" + std::to_string(limits.maxSide) +
              " pixels a side, " + std::to_string(limits.maxPixels) + " pixels in all)";
        return DecodeResult::TooLarge;
    }

    switch (CheckPngInflation(file)) {
    case PngInflation::Fits:
        break;
    case PngInflation::PastNeed:
        why = "the picture is damaged (its image data inflates to more than its " +
              std::to_string(width) + " x " + std::to_string(height) + " pixels take)";
        return DecodeResult::Damaged;
    case PngInflation::NoMemory:
        why = kNoMemory;
        return DecodeResult::NoMemory;
    }

    int gotWidth = 0, gotHeight = 0, gotChannels = 0;
    QuilletStbClearFailureReason();
    std::unique_ptr<stbi_uc, StbiFree> decoded(
        stbi_load_from_memory(file.data(), length, &gotWidth, &gotHeight, &gotChannels, 0));
    if (!decoded) {
        const std::string reason = LoadReason();
        if (reason == "outofmem" || QuilletStbRanOutOfMemory()) {
            why = kNoMemory;
            return DecodeResult::NoMemory;
        }
        why = "the picture is damaged (" + reason + ")";
        return DecodeResult::Damaged;
    }
    if (gotWidth != width || gotHeight != height || gotChannels < 1 || gotChannels > 4) {
        why = "the picture's header and its pixels disagree";
        return DecodeResult::Damaged;
    }
    picture.width = static_cast<std::uint32_t>(width);
    picture.height = static_cast<std::uint32_t>(height);
    try {
        picture.light.resize(static_cast<std::size_t>(pixels));
    } catch (const std::bad_alloc&) {
        picture = {};
        why = kNoMemory;
        return DecodeResult::NoMemory;
    }
    ToLight(decoded.get(), gotChannels, picture.light.size(), picture.light.data());
    return DecodeResult::Ok;
}

} // namespace quillet::logo
