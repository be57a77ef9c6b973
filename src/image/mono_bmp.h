#pragma once

#include "image/bmp_check.h"
#include "image/mono_bmp_header.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace quillet {

// The Add Image checks: opens the file, reads only its header and checks it. Fills `info` when
// the result is Ok.
BmpCheck CheckMonoBmpFile(const char* path, MonoBmpInfo& info);

// Whether a caller can send a picture of this geometry (Ok or BadGeometry), judged on the header
// before any pixel is read: CheckNvGeometry, CheckRasterGeometry.
using GeometryCheck = std::function<BmpCheck(const MonoBmpInfo&)>;

// One 1-bit BMP picture, ready for the encoders: whole pixel rows from the top, each B bytes,
// inverted by the palette and masked, so that a 1 bit is a dot to print.
class MonoBmp {
public:
    // Opens and checks the file, refuses a geometry `fits` refuses, then reads the B pixel bytes
    // of every row in one pass and closes the file. Memory is H x B, what the encoders send.
    // Any earlier picture is dropped first, so an object holds at most one file.
    BmpCheck Read(const char* path, const GeometryCheck& fits);
    // The same for a whole file already in memory.
    BmpCheck Decode(std::span<const std::uint8_t> file, const GeometryCheck& fits);

    // Valid after a successful Read or Decode.
    const MonoBmpInfo& Info() const { return info_; }
    // Row `top` (0 is the top of the picture, below Info().height), Info().rowBytes long.
    // Pixel bytes beyond the end of a file shorter than its header claims are blank (0). Rows
    // are taken at the stride whatever the width: a stride below B makes them overlap.
    std::span<const std::uint8_t> Row(std::uint32_t top) const;

private:
    void Clear();
    template <class Source> BmpCheck Gather(Source& source);
    void Prepare(std::uint64_t available);

    MonoBmpInfo info_;
    std::vector<std::uint8_t> rows_; // B bytes a row, bottom row first, as in the file
};

// Inline: the NV encoder asks for one byte of every row per band of eight dot columns.
inline std::span<const std::uint8_t> MonoBmp::Row(std::uint32_t top) const {
    const std::size_t rowBytes = info_.rowBytes;
    const std::size_t fileRow = info_.height - 1u - top;
    return {rows_.data() + rowBytes * fileRow, rowBytes};
}

} // namespace quillet
