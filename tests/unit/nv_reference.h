#pragma once

#include "bmp_builder.h"

namespace quillet::test {

using DotFn = std::function<bool(std::uint32_t, std::uint32_t)>;

// An FS q image block worked out bit by bit from the definition, to check the encoder against.
inline Bytes ReferenceNvBlock(std::uint32_t width, std::uint32_t height, const DotFn& dot) {
    const std::uint32_t x = (width + 7) / 8;
    const std::uint32_t y = (height + 7) / 8;
    Bytes block = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                   static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8)};
    for (std::uint32_t column = 0; column < 8 * x; ++column) {
        for (std::uint32_t k = 0; k < y; ++k) {
            std::uint8_t byte = 0;
            for (std::uint32_t i = 0; i < 8; ++i) {
                const std::uint32_t row = 8 * k + i;
                if (column < width && row < height && dot(column, row)) {
                    byte |= static_cast<std::uint8_t>(0x80 >> i);
                }
            }
            block.push_back(byte);
        }
    }
    return block;
}

} // namespace quillet::test
