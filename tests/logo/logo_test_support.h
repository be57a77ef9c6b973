#pragma once

#include "logo/light_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::logo::test {

using Bytes = std::vector<std::uint8_t>;

// A PNG made in memory: `pixels` rows from the top, `channels` 1 to 4 bytes per pixel.
Bytes PngFile(std::uint32_t width, std::uint32_t height, int channels, const Bytes& pixels);

// Share of dots in the columns [x0, x1) of every row.
double DotShare(const DotImage& dots, std::uint32_t x0, std::uint32_t x1);

} // namespace quillet::logo::test
