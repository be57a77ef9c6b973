#include "logo/scale.h"

#include <stb_image_resize.h>

#include <algorithm>
#include <utility>

namespace quillet::logo {
namespace {

stbir_filter FilterFor(std::uint32_t from, std::uint32_t to) {
    return to < from ? STBIR_FILTER_BOX : STBIR_FILTER_TRIANGLE;
}

} // namespace

bool ScaleLight(LightImage& picture, std::uint32_t width, std::uint32_t height) {
    const LightImage& in = picture;
    if (width == in.width && height == in.height) {
        return true;
    }
    LightImage out;
    out.width = width;
    out.height = height;
    out.light.assign(std::size_t{width} * height, 1.0f);
    const int ok = stbir_resize(
        in.light.data(), static_cast<int>(in.width), static_cast<int>(in.height), 0,
        out.light.data(), static_cast<int>(width), static_cast<int>(height), 0, STBIR_TYPE_FLOAT, 1,
        STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP, FilterFor(in.width, width),
        FilterFor(in.height, height), STBIR_COLORSPACE_LINEAR, nullptr);
    if (!ok) {
        return false;
    }
    // Rounding can leave light a hair outside 0 to 1; the dithers expect it inside.
    for (float& v : out.light) {
        v = std::clamp(v, 0.0f, 1.0f);
    }
    picture = std::move(out);
    return true;
}

} // namespace quillet::logo
