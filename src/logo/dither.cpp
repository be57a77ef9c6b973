#include "logo/dither.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillet::logo {
namespace {

constexpr std::array<std::string_view, 4> kNames = {"floyd-steinberg", "atkinson", "ordered",
                                                    "threshold"};

// Error rows padded by two on each side, so that the kernels need no edge tests.
constexpr std::uint32_t kPad = 2;

void FloydSteinberg(const ToneImage& in, DotImage& out) {
    const std::size_t w = in.width;
    std::vector<float> here(w + 2 * kPad), next(w + 2 * kPad);
    for (std::uint32_t y = 0; y < in.height; ++y) {
        std::fill(next.begin(), next.end(), 0.0f);
        // Serpentine: every other row runs right to left, so errors do not pile up on one side.
        const bool reverse = (y & 1u) != 0;
        const std::ptrdiff_t step = reverse ? -1 : 1;
        for (std::size_t i = 0; i < w; ++i) {
            const std::size_t x = reverse ? w - 1 - i : i;
            const std::size_t e = x + kPad;
            const float v = in.At(static_cast<std::uint32_t>(x), y) + here[e];
            const bool dot = v < 0.5f;
            out.dots[std::size_t{y} * w + x] = dot;
            const float error = v - (dot ? 0.0f : 1.0f);
            here[e + step] += error * (7.0f / 16.0f);
            next[e - step] += error * (3.0f / 16.0f);
            next[e] += error * (5.0f / 16.0f);
            next[e + step] += error * (1.0f / 16.0f);
        }
        here.swap(next);
    }
}

// Spreads three quarters of the error, which keeps highlights and thin lines crisp.
void Atkinson(const ToneImage& in, DotImage& out) {
    const std::size_t w = in.width;
    std::vector<float> rows[3];
    for (auto& row : rows) {
        row.assign(w + 2 * kPad, 0.0f);
    }
    for (std::uint32_t y = 0; y < in.height; ++y) {
        std::vector<float>& here = rows[y % 3];
        std::vector<float>& next = rows[(y + 1) % 3];
        std::vector<float>& after = rows[(y + 2) % 3];
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t e = x + kPad;
            const float v = in.At(static_cast<std::uint32_t>(x), y) + here[e];
            const bool dot = v < 0.5f;
            out.dots[std::size_t{y} * w + x] = dot;
            const float share = (v - (dot ? 0.0f : 1.0f)) / 8.0f;
            here[e + 1] += share;
            here[e + 2] += share;
            next[e - 1] += share;
            next[e] += share;
            next[e + 1] += share;
            after[e] += share;
        }
        std::fill(here.begin(), here.end(), 0.0f);
    }
}

constexpr std::uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

void Ordered(const ToneImage& in, DotImage& out) {
    for (std::uint32_t y = 0; y < in.height; ++y) {
        for (std::uint32_t x = 0; x < in.width; ++x) {
            const float level = (kBayer8[y % 8][x % 8] + 0.5f) / 64.0f;
            out.dots[std::size_t{y} * in.width + x] = in.At(x, y) < level;
        }
    }
}

void Threshold(const ToneImage& in, DotImage& out, std::uint8_t threshold) {
    // Compared as the nearest code value, so that a grey of exactly t is not cut by rounding;
    // 0 prints nothing.
    for (std::size_t i = 0; i < in.white.size(); ++i) {
        out.dots[i] = in.white[i] * 255.0f + 0.5f < threshold;
    }
}

} // namespace

std::string_view DitherName(DitherKind kind) {
    return kNames[static_cast<std::size_t>(kind)];
}

std::optional<DitherKind> DitherFromName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            return static_cast<DitherKind>(i);
        }
    }
    return std::nullopt;
}

DotImage Dither(const ToneImage& picture, DitherKind kind, std::uint8_t threshold) {
    DotImage out;
    out.width = picture.width;
    out.height = picture.height;
    out.dots.assign(picture.white.size(), 0);
    switch (kind) {
    case DitherKind::FloydSteinberg:
        FloydSteinberg(picture, out);
        break;
    case DitherKind::Atkinson:
        Atkinson(picture, out);
        break;
    case DitherKind::Ordered:
        Ordered(picture, out);
        break;
    case DitherKind::Threshold:
        Threshold(picture, out, threshold);
        break;
    }
    return out;
}

} // namespace quillet::logo
