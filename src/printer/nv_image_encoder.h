#pragma once

#include "image/bmp_check.h"
#include "image/mono_bmp.h"
#include "printer/byte_sink.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillet {

// The NV download (FS q) is all or nothing for the printer, which replaces its whole store with
// the stream. So the sender first checks every slot's file with CheckNvImageFile, shows
// BmpCheckMessage of the first refusal and stops, and only then writes: WriteNvStreamHeader
// with the slot count, and for each slot, one picture at a time, ReadCheckedNvPicture followed
// by WriteNvImageBlock, or WriteNvBlankBlock of the checked size when the file changed since.

// Longest dot column the NV download takes, in bytes.
inline constexpr std::size_t kNvColumnBytes = kNvMaxHeight / 8;

// The caller's work area: buffer j holds dot column j of the band of eight being encoded. The
// encoder clears it before each band and leaves the last band's columns in it.
using NvWorkArea = std::array<std::array<std::uint8_t, kNvColumnBytes>, 8>;

// The Add Image checks plus the NV geometry (height at most kNvMaxHeight); reads only the header.
// Fills `info` when the result is Ok.
BmpCheck CheckNvImageFile(const char* path, MonoBmpInfo& info);

// Reads a picture whose file CheckNvImageFile accepted as `checked`: the read's own refusal,
// BadGeometry when the file now gives another width or height, else Ok.
BmpCheck ReadCheckedNvPicture(const char* path, const MonoBmpInfo& checked, MonoBmp& picture);

// 1C 71 n, one write.
EncodeResult WriteNvStreamHeader(ByteSink& sink, std::uint8_t imageCount);

// One image block: xL xH yL yH (x = B, y = ceil(H / 8)) in one write, then the 8·x dot columns
// from the left, one write of y bytes each, top to bottom with the topmost dot in bit 0x80.
// A picture higher than kNvMaxHeight, or with no rows, gives TooLarge and writes nothing.
EncodeResult WriteNvImageBlock(ByteSink& sink, const MonoBmp& picture, NvWorkArea& work);

// A block of the size `geometry` gives with every dot blank, in the same writes as
// WriteNvImageBlock: it keeps the stream's image count true when a checked picture cannot be
// read after all.
EncodeResult WriteNvBlankBlock(ByteSink& sink, const MonoBmpInfo& geometry, NvWorkArea& work);

} // namespace quillet
