// The tone model: a flat grey of sRGB value v prints 1 - (v/255)^(1/gamma) of its dots, scaling
// mixes linear light; line art and thin lines survive.
#include "logo/logo_convert.h"
#include "logo/srgb.h"
#include "logo_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillet::logo {
namespace {

using test::Bytes;
using test::DotShare;
using test::PngFile;

constexpr std::uint32_t kBands = 16;
constexpr std::uint32_t kBandWidth = 32;
constexpr std::uint32_t kRampHeight = 96;

// Sixteen grey bands from black to white, sRGB codes 0, 17, ..., 255.
Bytes RampPng() {
    Bytes grey(std::size_t{kBands} * kBandWidth * kRampHeight);
    for (std::uint32_t y = 0; y < kRampHeight; ++y) {
        for (std::uint32_t x = 0; x < kBands * kBandWidth; ++x) {
            grey[std::size_t{y} * kBands * kBandWidth + x] =
                static_cast<std::uint8_t>(x / kBandWidth * 17);
        }
    }
    return PngFile(kBands * kBandWidth, kRampHeight, 1, grey);
}

DotImage Convert(const Bytes& png, ConvertSettings settings) {
    Size source;
    DotImage dots;
    std::string why;
    EXPECT_EQ(ConvertPicture(png, settings, DecodeLimits{}, source, dots, why), ConvertResult::Ok)
        << why;
    return dots;
}

struct ToneCase {
    DitherKind dither;
    double gamma;
    double tolerance; // how far a band's share of dots may be from the tone's
};

void PrintTo(const ToneCase& c, std::ostream* os) {
    *os << DitherName(c.dither) << " gamma " << c.gamma;
}

class Tone : public testing::TestWithParam<ToneCase> {};

TEST_P(Tone, DotShareFollowsTheRampBandByBand) {
    ConvertSettings settings;
    settings.dither = GetParam().dither;
    settings.gamma = GetParam().gamma;
    const DotImage dots = Convert(RampPng(), settings);
    ASSERT_EQ(dots.width, kBands * kBandWidth);
    double previous = 2.0;
    for (std::uint32_t band = 0; band < kBands; ++band) {
        const double want = 1.0 - std::pow(band * 17 / 255.0, 1.0 / GetParam().gamma);
        // The band's inner columns: error diffusion needs a few dots to settle after a step.
        const double got = DotShare(dots, band * kBandWidth + 4, (band + 1) * kBandWidth - 4);
        EXPECT_NEAR(got, want, GetParam().tolerance) << "band " << band;
        EXPECT_LE(got, previous + 0.01) << "band " << band << " darker than the one before";
        previous = got;
    }
    EXPECT_EQ(DotShare(dots, 0, kBandWidth), 1.0);
    EXPECT_EQ(DotShare(dots, (kBands - 1) * kBandWidth, kBands * kBandWidth), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Dithers, Tone,
                         testing::Values(ToneCase{DitherKind::FloydSteinberg, 1.0, 0.02},
                                         ToneCase{DitherKind::FloydSteinberg, 2.0, 0.02},
                                         ToneCase{DitherKind::FloydSteinberg, 0.45, 0.02},
                                         ToneCase{DitherKind::Ordered, 1.0, 0.04},
                                         ToneCase{DitherKind::Ordered, 0.45, 0.04},
                                         ToneCase{DitherKind::Atkinson, 1.0, 0.15}),
                         [](const auto& info) {
                             std::string name(DitherName(info.param.dither));
                             std::erase(name, '-');
                             return name + "_gamma" +
                                    std::to_string(static_cast<int>(info.param.gamma * 100));
                         });

// About 0.45 is the linear-light tone: the share of dots follows 1 - light.
TEST(Tone, GammaNearPoint45FollowsLinearLight) {
    ConvertSettings settings;
    settings.gamma = 0.4545;
    const DotImage dots = Convert(RampPng(), settings);
    for (std::uint32_t band = 1; band + 1 < kBands; ++band) {
        const double want = 1.0 - SrgbToLinear(static_cast<std::uint8_t>(band * 17));
        const double got = DotShare(dots, band * kBandWidth + 4, (band + 1) * kBandWidth - 4);
        EXPECT_NEAR(got, want, 0.04) << "band " << band;
    }
}

// Black and white dots one by one, halved: each result pixel is half the light of white, which
// prints as the sRGB grey of that light (188), not as code 128.
TEST(Tone, ScalingMixesLinearLight) {
    constexpr std::uint32_t w = 256, h = 128;
    Bytes grey(std::size_t{w} * h);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            grey[std::size_t{y} * w + x] = (x + y) % 2 ? 255 : 0;
        }
    }
    ConvertSettings settings;
    settings.width = w / 2;
    const DotImage dots = Convert(PngFile(w, h, 1, grey), settings);
    ASSERT_EQ(dots.width, w / 2);
    EXPECT_NEAR(DotShare(dots, 0, dots.width), 1.0 - LinearToSrgb(0.5f) / 255.0, 0.02);
}

// --threshold cuts the picture's own grey at every gamma.
TEST(Tone, ThresholdCutsTheGreyWhateverTheGamma) {
    for (const double gamma : {0.45, 1.0, 3.0}) {
        ConvertSettings settings;
        settings.dither = DitherKind::Threshold;
        settings.threshold = 120;
        settings.gamma = gamma;
        const DotImage dots = Convert(RampPng(), settings);
        for (std::uint32_t band = 0; band < kBands; ++band) {
            const double want = band * 17 < 120 ? 1.0 : 0.0;
            EXPECT_EQ(DotShare(dots, band * kBandWidth, (band + 1) * kBandWidth), want)
                << "band " << band << ", gamma " << gamma;
        }
    }
}

// An asymmetric black-and-white drawing, with alpha 0 over black for the "transparent" case.
Bytes LineArt(bool transparentBackground, std::vector<std::uint8_t>& black) {
    constexpr std::uint32_t w = 37, h = 13;
    black.assign(std::size_t{w} * h, 0);
    Bytes rgba(std::size_t{w} * h * 4);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const bool ink = (x >= 3 && x < 20 && y >= 2 && y < 9) || x == y || x == 36;
            black[std::size_t{y} * w + x] = ink;
            std::uint8_t* p = &rgba[(std::size_t{y} * w + x) * 4];
            p[0] = p[1] = p[2] = ink || transparentBackground ? 0 : 255;
            p[3] = ink || !transparentBackground ? 255 : 0;
        }
    }
    return PngFile(w, h, 4, rgba);
}

TEST(LineArt, ThresholdAtItsOwnWidthKeepsEveryDotAndTransparencyIsPaper) {
    for (const bool transparent : {false, true}) {
        std::vector<std::uint8_t> black;
        const Bytes png = LineArt(transparent, black);
        ConvertSettings settings;
        settings.dither = DitherKind::Threshold;
        const DotImage dots = Convert(png, settings);
        EXPECT_EQ(dots.width, 37u);
        EXPECT_EQ(dots.height, 13u);
        EXPECT_EQ(dots.dots, black) << (transparent ? "transparent" : "white") << " background";
        settings.invert = true;
        const DotImage inverted = Convert(png, settings);
        for (std::size_t i = 0; i < black.size(); ++i) {
            ASSERT_NE(inverted.dots[i], black[i]) << i;
        }
    }
}

// A vertical line two dots wide at every offset, halved. On an even offset it becomes one black
// column, whole in every row. On an odd one it spreads over two columns at half the light each,
// which print as the grey of that light: the line stays, dotted, with a dot at least every fourth
// row. No dot lands beside it.
TEST(ThinLine, TwoDotsHalvedStayALine) {
    constexpr std::uint32_t w = 64, h = 120;
    for (std::uint32_t left = 20; left < 24; ++left) {
        for (const DitherKind kind :
             {DitherKind::FloydSteinberg, DitherKind::Atkinson, DitherKind::Ordered}) {
            Bytes grey(std::size_t{w} * h, 255);
            for (std::uint32_t y = 0; y < h; ++y) {
                grey[std::size_t{y} * w + left] = grey[std::size_t{y} * w + left + 1] = 0;
            }
            ConvertSettings settings;
            settings.width = w / 2;
            settings.dither = kind;
            const DotImage dots = Convert(PngFile(w, h, 1, grey), settings);
            ASSERT_EQ(dots.height, h / 2);
            const std::uint32_t longestGap = left % 2 == 0 ? 0 : 3;
            std::uint32_t gap = 0;
            for (std::uint32_t y = 0; y < dots.height; ++y) {
                const std::uint32_t x0 = left / 2;
                gap = dots.At(x0, y) || dots.At(x0 + 1, y) ? 0 : gap + 1;
                ASSERT_LE(gap, longestGap)
                    << DitherName(kind) << ", line at " << left << ", row " << y;
                for (std::uint32_t x = 0; x < dots.width; ++x) {
                    if (x != x0 && x != x0 + 1) {
                        ASSERT_FALSE(dots.At(x, y)) << "stray dot at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

TEST(TargetSize, OwnWidthUpToThePaperEnlargedOnlyOnRequest) {
    struct Case {
        Size picture;
        std::uint32_t width, maxWidth;
        Size want;
    };
    const Case cases[] = {
        {{1200, 800}, 0, 576, {576, 384}},  {{200, 100}, 0, 576, {200, 100}},
        {{1200, 800}, 0, 384, {384, 256}},  {{200, 100}, 0, 384, {200, 100}},
        {{200, 101}, 800, 576, {800, 404}}, {{3000, 1}, 0, 576, {576, 1}},
        {{577, 3}, 0, 576, {576, 3}},
    };
    for (const Case& c : cases) {
        ConvertSettings settings;
        settings.width = c.width;
        settings.maxWidth = c.maxWidth;
        const Size got = TargetSize(c.picture, settings);
        EXPECT_EQ(got.width, c.want.width) << c.picture.width << "x" << c.picture.height;
        EXPECT_EQ(got.height, c.want.height) << c.picture.width << "x" << c.picture.height;
    }
}

} // namespace
} // namespace quillet::logo
