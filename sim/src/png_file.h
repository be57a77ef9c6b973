// Receipt pictures: white paper, black dots, 1 bit per pixel.
#pragma once

#include "paper.h"

#include <string>
#include <vector>

namespace sim {

bool write_receipt_png(const std::string& path, const Paper& paper);

// A picture read back: one byte per pixel, 1 = black dot. For tests and tools.
struct DotPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> dots;
    bool dot(int x, int y) const { return dots[static_cast<std::size_t>(y) * width + x] != 0; }
};
bool read_png_dots(const std::string& path, DotPicture& out);

} // namespace sim
