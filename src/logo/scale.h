#pragma once

#include "logo/light_image.h"

#include <cstdint>

namespace quillet::logo {

// Resizes in linear light: area-averaging when reducing, so that a fine pattern keeps its share
// of ink; bilinear when enlarging. The same size is left untouched. False when stb_image_resize
// fails (out of memory), leaving `picture` as it was.
bool ScaleLight(LightImage& picture, std::uint32_t width, std::uint32_t height);

} // namespace quillet::logo
