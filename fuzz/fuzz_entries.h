#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet::fuzz {

// Each takes arbitrary bytes as a BMP file and aborts on any broken invariant; shared by the
// libFuzzer targets and the corpus replay test.

// The reader: bytes in memory and the same bytes read back from a file agree, rows are whole and
// carry no dot beyond the width.
void FuzzMonoBmp(const std::uint8_t* data, std::size_t size);

// The encoders: the writes of FS q and GS v 0 have their documented sizes and count, FS q matches
// the dot-by-dot definition for small pictures, and the feed and setting packets keep their form.
void FuzzEncoders(const std::uint8_t* data, std::size_t size);

// The logo converter: any bytes as a picture, decoded under small caps, converted with a dither
// and width taken from the bytes; a result has the asked size, and its BMP reads back the same.
void FuzzLogo(const std::uint8_t* data, std::size_t size);

} // namespace quillet::fuzz
