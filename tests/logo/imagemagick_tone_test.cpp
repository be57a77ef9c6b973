// The default tone side by side with ImageMagick's Floyd-Steinberg onto black and white, the tool
// users compare prints with: a grey ramp band by band, and a portrait photograph region by region.
#include "../unit/bmp_builder.h"
#include "logo/logo_convert.h"
#include "logo_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace quillet::logo {
namespace {

using test::Bytes;

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Both ditherings of the file at `path`, dot for dot: ImageMagick's read from its 8-bit grey.
struct SideBySide {
    DotImage ours, theirs;
};

SideBySide Dither(const quillet::test::TempDir& dir, const std::string& path) {
    SideBySide both;
    Size source;
    std::string why;
    EXPECT_EQ(
        ConvertPicture(ReadAll(path), ConvertSettings{}, DecodeLimits{}, source, both.ours, why),
        ConvertResult::Ok)
        << why;
    const std::string bw = (dir.Path() / "bw.png").string();
    const std::string grey = quillet::test::CommandOutput(
        "convert -size 1x1 xc:black xc:white +append '" + bw + "' && convert '" + path +
        "' -dither FloydSteinberg -remap '" + bw + "' -depth 8 gray:-");
    both.theirs.width = source.width;
    both.theirs.height = source.height;
    for (const char c : grey) {
        both.theirs.dots.push_back(static_cast<std::uint8_t>(c) < 128);
    }
    EXPECT_EQ(both.theirs.dots.size(), std::size_t{source.width} * source.height);
    return both;
}

double Share(const DotImage& dots, std::uint32_t x0, std::uint32_t y0, std::uint32_t x1,
             std::uint32_t y1) {
    std::size_t count = 0;
    for (std::uint32_t y = y0; y < y1; ++y) {
        for (std::uint32_t x = x0; x < x1; ++x) {
            count += dots.At(x, y);
        }
    }
    return double(count) / (double(x1 - x0) * (y1 - y0));
}

TEST(ImageMagickTone, RampBandByBand) {
    quillet::test::TempDir dir;
    constexpr std::uint32_t kBands = 16, kBandWidth = 32, kHeight = 96;
    Bytes grey(std::size_t{kBands} * kBandWidth * kHeight);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>(i % (kBands * kBandWidth) / kBandWidth * 17);
    }
    const std::string path =
        dir.Write("ramp.png", test::PngFile(kBands * kBandWidth, kHeight, 1, grey)).string();
    const SideBySide both = Dither(dir, path);
    ASSERT_EQ(both.theirs.dots.size(), both.ours.dots.size());
    for (std::uint32_t band = 0; band < kBands; ++band) {
        const std::uint32_t x0 = band * kBandWidth + 4, x1 = (band + 1) * kBandWidth - 4;
        const double ours = Share(both.ours, x0, 0, x1, kHeight);
        const double theirs = Share(both.theirs, x0, 0, x1, kHeight);
        EXPECT_NEAR(ours, theirs, 0.03) << "band " << band << " (sRGB " << band * 17 << ")";
        EXPECT_NEAR(ours, 1.0 - band * 17 / 255.0, 0.02) << "band " << band;
    }
}

// A 512 x 600 portrait as a camera leaves it: a JPEG with a lit background, a face, hair, eyes
// and a shirt, blurred as a lens does.
TEST(ImageMagickTone, PortraitRegionByRegion) {
    quillet::test::TempDir dir;
    const std::string path = (dir.Path() / "portrait.jpg").string();
    const std::string make =
        "convert -size 512x600 gradient:'#d0d4d8'-'#8a8f96' "
        "-fill '#3a2a20' -draw 'ellipse 256,230 150,175 0,360' "
        "-fill '#e0b898' -draw 'ellipse 256,270 120,150 0,360' "
        "-fill '#402818' -draw 'ellipse 206,240 16,9 0,360' -draw 'ellipse 306,240 16,9 0,360' "
        "-fill '#b06060' -draw 'ellipse 256,350 40,14 0,360' "
        "-fill '#305080' -draw 'ellipse 256,640 230,180 0,360' "
        "-blur 0x3 -seed 5 -attenuate 0.3 +noise Gaussian -quality 88 '" +
        path + "' 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const SideBySide both = Dither(dir, path);
    ASSERT_EQ(both.ours.width, 512u);
    ASSERT_EQ(both.ours.height, 600u);
    ASSERT_EQ(both.theirs.dots.size(), both.ours.dots.size());
    EXPECT_NEAR(Share(both.ours, 0, 0, 512, 600), Share(both.theirs, 0, 0, 512, 600), 0.02);
    // Regions of 64 x 75: background, hair, face, eyes, shirt.
    for (std::uint32_t y = 0; y < 600; y += 75) {
        for (std::uint32_t x = 0; x < 512; x += 64) {
            EXPECT_NEAR(Share(both.ours, x, y, x + 64, y + 75),
                        Share(both.theirs, x, y, x + 64, y + 75), 0.05)
                << "region at " << x << ", " << y;
        }
    }
}

} // namespace
} // namespace quillet::logo
