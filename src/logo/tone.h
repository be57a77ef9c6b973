#pragma once

#include "logo/light_image.h"

namespace quillet::logo {

// --gamma's range and default.
inline constexpr double kMinGamma = 0.2;
inline constexpr double kMaxGamma = 5.0;
inline constexpr double kDefaultGamma = 1.0;

// The print tone of linear light: its sRGB value v (0 to 1) shaped as v^(1/gamma), so that a flat
// grey of code v prints a share of dots of 1 - (v/255)^(1/gamma). At gamma 1 that is what the
// tools people compare prints with do; above 1 the mid-tones lighten, for dots that spread on the
// paper; about 0.45 follows linear light. A gamma outside kMinGamma to kMaxGamma is taken as the
// nearer end. The picture's storage is reused.
ToneImage PrintTone(LightImage&& picture, double gamma);

} // namespace quillet::logo
