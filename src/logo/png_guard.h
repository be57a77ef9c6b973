#pragma once

#include <cstdint>
#include <span>

namespace quillet::logo {

// stb_image 2.27 copies a PNG's first image data chunk into a buffer it allocates only for a chunk
// that is not empty, so an empty first IDAT is copied to a null pointer. True when the file is a
// PNG whose first IDAT chunk is empty.
bool PngImageDataStartsEmpty(std::span<const std::uint8_t> file);

// stb_image 2.27 grows its buffer to an image data chunk's length before it reads the chunk, so a
// small file claiming a chunk of gigabytes allocates them. True when the file is a PNG with an
// IDAT chunk longer than what follows it in the file (a file stb_image refuses after allocating).
bool PngImageDataRunsPastEnd(std::span<const std::uint8_t> file);

// stb_image 2.27 inflates a PNG's image data into a buffer it doubles for as long as the data
// goes on, so a 1 x 1 picture whose data inflates to gigabytes allocates them. What the rows that
// the header describes take (a filter byte and the packed pixels per row, per interlace pass),
// and 0 when the file is not a PNG with a header stb_image would take.
std::uint64_t PngImageDataNeed(std::span<const std::uint8_t> file);

enum class PngInflation {
    Fits,     // within what its rows need (or not a PNG)
    PastNeed, // more than its rows need, with a margin
    NoMemory, // not even a buffer of that bound could be had
};

// Inflates a PNG's image data into a buffer of what its rows need (with a margin) and no more.
PngInflation CheckPngInflation(std::span<const std::uint8_t> file);

} // namespace quillet::logo
