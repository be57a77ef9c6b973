#pragma once

#include "logo/light_image.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet::logo {

enum class DitherKind { FloydSteinberg, Atkinson, Ordered, Threshold };

// The command-line names: floyd-steinberg, atkinson, ordered, threshold.
std::string_view DitherName(DitherKind kind);
std::optional<DitherKind> DitherFromName(std::string_view name);

// Turns linear light into dots. The error-diffusion and ordered dithers aim for a share of dots
// equal to 1 - light, since a dot pattern's reflectance is the average of its dots'.
// `threshold` (0-255) is for DitherKind::Threshold: a dot where the sRGB grey is below it.
DotImage Dither(const LightImage& picture, DitherKind kind, std::uint8_t threshold);

} // namespace quillet::logo
