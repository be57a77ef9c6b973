#pragma once

#include "image/mono_bmp.h"
#include "printer/byte_sink.h"

namespace quillet {

// GS v 0: 1D 76 30 00 xL xH yL yH (x = B, y = H) in one write, then the H rows from the top,
// one write of B bytes each. A stride or row over kRasterMaxRowBytes gives TooLarge and writes
// nothing. The print trailer is the caller's to send.
EncodeResult WriteRasterImage(ByteSink& sink, const MonoBmp& picture);

} // namespace quillet
