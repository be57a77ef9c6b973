#include "fuzz_entries.h"

#include "image/mono_bmp.h"
#include "image/mono_bmp_writer.h"
#include "logo/logo_convert.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::fuzz {

void FuzzLogo(const std::uint8_t* data, std::size_t size) {
    // Caps small enough that every accepted picture converts in milliseconds.
    logo::DecodeLimits limits;
    limits.maxSide = 2048;
    limits.maxPixels = 1u << 20;
    logo::ConvertSettings settings;
    const std::uint8_t last = size > 0 ? data[size - 1] : 0;
    settings.dither = static_cast<logo::DitherKind>(last % 4);
    settings.width = (last / 4) % 2 ? 1u + last % 97u : 0u;
    settings.invert = (last / 8) % 2 != 0;
    settings.threshold = last;
    const std::uint8_t before = size > 1 ? data[size - 2] : 0;
    settings.gamma = logo::kMinGamma + (logo::kMaxGamma - logo::kMinGamma) * (before / 255.0);

    logo::Size source;
    logo::DotImage dots;
    std::string why;
    const logo::ConvertResult result =
        logo::ConvertPicture({data, size}, settings, limits, source, dots, why);
    if (result != logo::ConvertResult::Ok) {
        if (why.empty()) {
            std::fprintf(stderr, "a refusal without a reason\n");
            std::abort();
        }
        return;
    }
    const logo::Size want = logo::TargetSize(source, settings);
    if (dots.width != want.width || dots.height != want.height ||
        dots.dots.size() != std::size_t{want.width} * want.height) {
        std::fprintf(stderr, "result %ux%u, asked %ux%u\n", dots.width, dots.height, want.width,
                     want.height);
        std::abort();
    }
    const std::vector<std::uint8_t> file = MonoBmpFile(dots);
    MonoBmp picture;
    if (picture.Decode(file, [](const auto&) { return BmpCheck::Ok; }) != BmpCheck::Ok ||
        picture.Info().width != dots.width || picture.Info().height != dots.height) {
        std::fprintf(stderr, "the BMP written is not read back\n");
        std::abort();
    }
    for (std::uint32_t y = 0; y < dots.height; ++y) {
        const auto row = picture.Row(y);
        for (std::uint32_t x = 0; x < dots.width; ++x) {
            if (((row[x / 8] & (0x80 >> (x % 8))) != 0) != dots.At(x, y)) {
                std::fprintf(stderr, "dot %u,%u differs after the BMP\n", x, y);
                std::abort();
            }
        }
    }
}

} // namespace quillet::fuzz
