// Raster printing of one BMP file (GS v 0), for the "All Print(GS v Command)" button.
#pragma once

#include "printer/byte_sink.h"

namespace quillet {

// PrintRasterImage results.
inline constexpr int kRasterPrinted = 0;
inline constexpr int kRasterCannotOpen = -3;  // cannot be opened, or failed while read
inline constexpr int kRasterTooShort = -4;    // shorter than the 62-byte header
inline constexpr int kRasterNotOneBit = -5;   // no "BM", or byte 28 is not 1
inline constexpr int kRasterDoesNotFit = -6;  // stride or row over 200 bytes, or no geometry
inline constexpr int kRasterWriteFailed = -7; // the sink refused a write; nothing after it

// Reads and checks the file, then sends its GS v 0 command: header, then one write per row.
// A refused picture sends nothing. The print trailer is the caller's to send.
int PrintRasterImage(const char* path, ByteSink& sink);

} // namespace quillet
