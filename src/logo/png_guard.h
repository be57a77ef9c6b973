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

} // namespace quillet::logo
