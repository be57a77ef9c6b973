#pragma once

#include "image/bmp_check.h"
#include "image/mono_bmp.h"
#include "printer/byte_sink.h"

#include <cstdint>

namespace quillet {

// The NV download (FS q) is all or nothing for the printer, which replaces its whole store with
// the stream. So the sender first checks every slot's file with CheckNvImageFile, shows
// BmpCheckMessage of the first refusal and stops, and only then writes: WriteNvStreamHeader
// with the slot count, and for each slot MonoBmp::Read followed by WriteNvImageBlock.

// The Add Image checks plus the NV geometry (height at most kNvMaxHeight); reads only the header.
BmpCheck CheckNvImageFile(const char* path);

// 1C 71 n, one write.
EncodeResult WriteNvStreamHeader(ByteSink& sink, std::uint8_t imageCount);

// One image block: xL xH yL yH (x = B, y = ceil(H / 8)) in one write, then the 8·x dot columns
// from the left, one write of y bytes each, top to bottom with the topmost dot in bit 0x80.
// A picture higher than kNvMaxHeight gives TooLarge and writes nothing.
EncodeResult WriteNvImageBlock(ByteSink& sink, const MonoBmp& picture);

} // namespace quillet
