#pragma once

#include "printer/byte_sink.h"

#include <array>
#include <cstdint>

namespace quillet {

// Three LF, FF, ESC m (partial cut): sent after each raster picture and each stored-image print.
inline constexpr std::array<std::uint8_t, 6> kPrintTrailer = {0x0A, 0x0A, 0x0A, 0x0C, 0x1B, 0x6D};

// All Print asks for stored images 1 to 19.
inline constexpr std::uint8_t kNvPrintAllLast = 19;

// The trailer, one write.
EncodeResult WritePrintTrailer(ByteSink& sink);

// FS p n 30 (normal size), one write of 4 bytes.
EncodeResult WriteNvPrint(ByteSink& sink, std::uint8_t imageNumber);

// FS p for n = 1 .. 19, then one trailer: 20 writes, 82 bytes.
EncodeResult WriteNvPrintAll(ByteSink& sink);

// FS p n 30 and the trailer. Refusing n = 0 (" n = 1 ~ 255") is the dialog's job.
EncodeResult WriteNvPrintSelect(ByteSink& sink, std::uint8_t imageNumber);

} // namespace quillet
