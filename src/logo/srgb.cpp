#include "logo/srgb.h"

#include <cmath>

namespace quillet::logo {
namespace {

double Decode(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Encode(double v) {
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

} // namespace

const std::array<float, 256>& SrgbToLinearTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            t[i] = static_cast<float>(Decode(i / 255.0));
        }
        return t;
    }();
    return table;
}

std::uint8_t LinearToSrgb(float light) {
    const double v = light < 0.0f ? 0.0 : (light > 1.0f ? 1.0 : light);
    return static_cast<std::uint8_t>(std::lround(Encode(v) * 255.0));
}

} // namespace quillet::logo
