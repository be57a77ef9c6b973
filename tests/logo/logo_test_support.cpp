#include "logo_test_support.h"

#include <stb_image_write.h>

namespace quillet::logo::test {
namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

Bytes PngFile(std::uint32_t width, std::uint32_t height, int channels, const Bytes& pixels) {
    Bytes png;
    stbi_write_png_to_func(Append, &png, static_cast<int>(width), static_cast<int>(height),
                           channels, pixels.data(), static_cast<int>(width) * channels);
    return png;
}

double DotShare(const DotImage& dots, std::uint32_t x0, std::uint32_t x1) {
    std::size_t count = 0;
    for (std::uint32_t y = 0; y < dots.height; ++y) {
        for (std::uint32_t x = x0; x < x1; ++x) {
            count += dots.At(x, y);
        }
    }
    return double(count) / (double(x1 - x0) * dots.height);
}

} // namespace quillet::logo::test
