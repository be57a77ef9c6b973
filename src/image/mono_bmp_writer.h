#pragma once

#include "image/dot_image.h"

#include <cstdint>
#include <vector>

namespace quillet {

// The 1-bit BMP Quillet reads: 14-byte file header, 40-byte info header, BI_RGB, palette black
// then white, rows bottom-up padded to 32 bits, sizes exact. Up to kMonoBmpMaxSide dots a side.
std::vector<std::uint8_t> MonoBmpFile(const DotImage& dots);

} // namespace quillet
