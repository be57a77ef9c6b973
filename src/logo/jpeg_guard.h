#pragma once

#include <cstdint>
#include <span>

namespace quillet::logo {

// stb_image 2.27 builds a Huffman table from counts it never sums, so a table claiming more than
// 256 codes writes past its arrays. True unless the file is a JPEG with such a table.
bool JpegHuffmanTablesFit(std::span<const std::uint8_t> file);

} // namespace quillet::logo
