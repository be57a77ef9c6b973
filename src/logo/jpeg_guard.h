#pragma once

#include <cstdint>
#include <span>

namespace quillet::logo {

// stb_image 2.27 builds a Huffman table from counts it never sums, so a table claiming more than
// 256 codes writes past its arrays; and in a table of exactly 256 codes all at most 9 bits long it
// decodes the last code wrongly (an assertion in a debug build). Its own checks cover the rest of
// a table (class, number, code lengths that fit). True unless the file is a JPEG with such a table
// among the segments stb_image acts on; the bytes of APPn and COM segments (colour profiles, EXIF,
// comments) and of scans are data, whatever they hold.
bool JpegHuffmanTablesFit(std::span<const std::uint8_t> file);

} // namespace quillet::logo
