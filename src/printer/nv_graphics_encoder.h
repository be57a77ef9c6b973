#pragma once

#include "image/bmp_check.h"
#include "image/mono_bmp.h"
#include "printer/byte_sink.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quillet {

// NV graphics (GS ( L, and GS 8 L for long definitions): logos kept by a two-character key,
// each defined, listed, printed and deleted on its own.

inline constexpr std::uint32_t kGraphicsMaxWidth = 8192;  // dots
inline constexpr std::uint32_t kGraphicsMaxHeight = 2304; // dots
// The most parameter bytes GS ( L carries in pL pH; longer definitions go through GS 8 L.
inline constexpr std::uint32_t kGraphicsShortFormMax = 65535;

// Function 48: total capacity, answered 37 30 digits 00.
inline constexpr std::array<std::uint8_t, 7> kGraphicsTotalCapacityQuestion = {
    0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x30};
// Function 51: remaining capacity, answered 37 31 digits 00.
inline constexpr std::array<std::uint8_t, 7> kGraphicsRemainingCapacityQuestion = {
    0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33};
// Function 64: the stored keys, answered in blocks 37 72 40|41 key pairs 00.
inline constexpr std::array<std::uint8_t, 9> kGraphicsKeyListQuestion = {
    0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};
// Function 65: delete every NV graphic.
inline constexpr std::array<std::uint8_t, 10> kGraphicsDeleteAll = {0x1D, 0x28, 0x4C, 0x05, 0x00,
                                                                    0x30, 0x41, 0x43, 0x4C, 0x52};

// Two characters, each 0x20 to 0x7E.
bool IsValidGraphicsKey(std::string_view key);

// Ok for a width of 1 to kGraphicsMaxWidth and a height of 1 to kGraphicsMaxHeight, else
// BadGeometry: usable as a GeometryCheck, so a picture is refused on its header.
BmpCheck CheckGraphicsGeometry(const MonoBmpInfo& info);

// ceil(width / 8) * height: the data bytes a definition carries, for capacity checks.
std::uint64_t GraphicsDataBytes(std::uint32_t width, std::uint32_t height);

// Whether a definition of `dataBytes` data bytes goes through GS 8 L: when 11 + dataBytes exceeds
// kGraphicsShortFormMax.
bool UsesLongGraphicsForm(std::uint64_t dataBytes);

// Function 67, raster format, one colour:
//   1D 28 4C pL pH 30 43 30 kc1 kc2 01 xL xH yL yH 31, pL + 256 pH = 11 + k,
// or, when 11 + k exceeds kGraphicsShortFormMax,
//   1D 38 4C p1 p2 p3 p4 30 43 30 kc1 kc2 01 xL xH yL yH 31 (four-byte length),
// in one write, then the rows from the top, one write of ceil(x / 8) bytes each (k in all).
// A bad key gives BadParameter, a geometry CheckGraphicsGeometry refuses gives TooLarge; either
// way nothing is written. Redefining a key replaces only that image on the printer.
EncodeResult WriteGraphicsDefinition(ByteSink& sink, std::string_view key, const MonoBmp& picture);

// Function 66: 1D 28 4C 04 00 30 42 kc1 kc2, one write; a bad key gives BadParameter unwritten.
EncodeResult WriteGraphicsDelete(ByteSink& sink, std::string_view key);

// Function 69: 1D 28 4C 06 00 30 45 kc1 kc2 x y with x = y = scale (1 or 2), one write; a bad
// key or scale gives BadParameter unwritten. The print trailer is the caller's to send.
EncodeResult WriteGraphicsPrint(ByteSink& sink, std::string_view key, std::uint8_t scale);

} // namespace quillet
