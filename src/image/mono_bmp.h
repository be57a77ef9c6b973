#pragma once

#include "image/bmp_check.h"
#include "image/mono_bmp_header.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace quillet {

// The Add Image checks: opens the file, reads only its header and checks it. Fills `info` when
// the result is Ok.
BmpCheck CheckMonoBmpFile(const char* path, MonoBmpInfo& info);

// One 1-bit BMP picture, ready for the encoders: whole pixel rows from the top, each B bytes,
// inverted by the palette and masked, so that a 1 bit is a dot to print.
class MonoBmp {
public:
    // Opens and checks the file, then reads the bytes its rows need in one pass and closes it.
    // Any earlier picture is dropped first, so an object holds at most one file.
    BmpCheck Read(const char* path);
    // The same for a whole file already in memory.
    BmpCheck Decode(std::span<const std::uint8_t> file);

    // Valid after a successful Read or Decode.
    const MonoBmpInfo& Info() const { return info_; }
    // Row `top` (0 is the top of the picture, below Info().height), Info().rowBytes long.
    // Pixel bytes beyond the end of a file shorter than its header claims are blank (0).
    std::span<const std::uint8_t> Row(std::uint32_t top) const;

private:
    void Clear();
    BmpCheck ReadPixels(std::FILE* file);
    void PreparePixels();

    MonoBmpInfo info_;
    std::vector<std::uint8_t> pixels_;   // the file from offset 62, as far as the rows reach
    std::vector<std::uint8_t> cutRow_;   // the one row the end of the file cuts, completed blank
    std::vector<std::uint8_t> blankRow_; // rows that lie wholly beyond the end of the file
};

// Inline: the NV encoder asks for one byte of every row per band of eight dot columns.
inline std::span<const std::uint8_t> MonoBmp::Row(std::uint32_t top) const {
    const std::uint32_t fileRow = info_.height - 1u - top;
    const std::uint64_t start = std::uint64_t{info_.stride} * fileRow;
    const std::size_t rowBytes = info_.rowBytes;
    if (start + rowBytes <= pixels_.size()) {
        return {pixels_.data() + static_cast<std::size_t>(start), rowBytes};
    }
    if (start < pixels_.size()) {
        return cutRow_;
    }
    return blankRow_;
}

} // namespace quillet
