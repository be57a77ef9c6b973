#pragma once

#include <cstdint>
#include <vector>

namespace quillet {

// A picture as dots: one byte per dot from the top, 1 where the printer prints a dot.
struct DotImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> dots;

    bool At(std::uint32_t x, std::uint32_t y) const {
        return dots[std::size_t{y} * width + x] != 0;
    }
};

} // namespace quillet
