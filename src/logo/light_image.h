#pragma once

#include "image/dot_image.h"

#include <cstdint>
#include <vector>

namespace quillet::logo {

// A picture as linear light: 0 is black ink, 1 is white paper, one value per pixel from the top.
struct LightImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<float> light;

    float At(std::uint32_t x, std::uint32_t y) const { return light[std::size_t{y} * width + x]; }
};

// What the dithers take: per pixel the share of paper to leave white, 0 (every dot) to 1 (none),
// from the top.
struct ToneImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<float> white;

    float At(std::uint32_t x, std::uint32_t y) const { return white[std::size_t{y} * width + x]; }
};

// The result, as the BMP writer takes it.
using DotImage = quillet::DotImage;

} // namespace quillet::logo
