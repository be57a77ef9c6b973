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

// Turns print tone into dots. The error-diffusion and ordered dithers aim for a share of dots
// equal to 1 - tone. `threshold` (0-255) is for DitherKind::Threshold: a dot where the tone, in
// 8-bit steps, is below it.
DotImage Dither(const ToneImage& picture, DitherKind kind, std::uint8_t threshold);

} // namespace quillet::logo
