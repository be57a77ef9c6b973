#pragma once

#include "logo/light_image.h"

#include <cstdint>
#include <vector>

namespace quillet::logo {

// A grey PNG at one pixel per dot, black where a dot prints. Empty when encoding fails.
std::vector<std::uint8_t> PreviewPng(const DotImage& dots);

} // namespace quillet::logo
