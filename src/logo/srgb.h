#pragma once

#include <array>
#include <cstdint>

namespace quillet::logo {

// 8-bit sRGB code value to linear light, 0 to 1, by table: decoding looks up every sample.
const std::array<float, 256>& SrgbToLinearTable();

inline float SrgbToLinear(std::uint8_t code) {
    return SrgbToLinearTable()[code];
}

// Linear light, 0 to 1, to the nearest 8-bit sRGB code value.
std::uint8_t LinearToSrgb(float light);

} // namespace quillet::logo
