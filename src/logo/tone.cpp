#include "logo/tone.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillet::logo {
namespace {

float SrgbEncode(float light) {
    return light <= 0.0031308f ? light * 12.92f : 1.055f * std::pow(light, 1.0f / 2.4f) - 0.055f;
}

} // namespace

ToneImage PrintTone(LightImage&& picture, double gamma) {
    ToneImage tone;
    tone.width = picture.width;
    tone.height = picture.height;
    tone.white = std::move(picture.light);
    picture = {};
    const float exponent = static_cast<float>(1.0 / std::clamp(gamma, kMinGamma, kMaxGamma));
    for (float& v : tone.white) {
        const float srgb = std::clamp(SrgbEncode(std::clamp(v, 0.0f, 1.0f)), 0.0f, 1.0f);
        v = exponent == 1.0f ? srgb : std::pow(srgb, exponent);
    }
    return tone;
}

} // namespace quillet::logo
