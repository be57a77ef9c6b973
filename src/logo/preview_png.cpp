#include "logo/preview_png.h"

#include <stb_image_write.h>

namespace quillet::logo {
namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

std::vector<std::uint8_t> PreviewPng(const DotImage& dots) {
    std::vector<std::uint8_t> grey(dots.dots.size());
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = dots.dots[i] ? 0 : 255;
    }
    std::vector<std::uint8_t> png;
    const int width = static_cast<int>(dots.width);
    if (!stbi_write_png_to_func(Append, &png, width, static_cast<int>(dots.height), 1, grey.data(),
                                width)) {
        png.clear();
    }
    return png;
}

} // namespace quillet::logo
