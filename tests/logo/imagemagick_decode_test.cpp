// Decoding against ImageMagick's own reading of files it writes: linear-light luminance over
// white paper, compared in 8-bit sRGB steps.
#include "../unit/bmp_builder.h"
#include "logo/picture_decode.h"
#include "logo/srgb.h"
#include "logo_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quillet::logo {
namespace {

struct DecodeCase {
    const char* name;
    const char* file; // the fixture's name; its extension picks the format
    std::string make; // convert arguments after the size
    int maxStep;      // largest difference in sRGB steps
    double meanStep;  // largest mean difference
    std::vector<std::uint8_t> (*edit)(std::vector<std::uint8_t>) = nullptr; // after convert
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kColour = "gradient:red-blue -fill lime -draw 'circle 30,20 30,8' "
                            "-fill '#808020' -draw 'rectangle 45,5 70,30'";

// A segment of `marker` right after SOI holding what looks like a DHT segment of 4080 codes:
// a colour profile, maker note or comment may hold any bytes.
std::vector<std::uint8_t> WithSegment(std::vector<std::uint8_t> jpeg, std::uint8_t marker,
                                      const std::string& tag) {
    std::vector<std::uint8_t> body(tag.begin(), tag.end());
    const std::uint8_t lookalike[] = {0xFF, 0xC4, 0x01, 0x13, 0x10};
    body.insert(body.end(), std::begin(lookalike), std::end(lookalike));
    body.insert(body.end(), 16, 0xFF);
    body.insert(body.end(), 300, 0xE2);
    const std::size_t length = body.size() + 2;
    std::vector<std::uint8_t> segment{0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                                      static_cast<std::uint8_t>(length)};
    segment.insert(segment.end(), body.begin(), body.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

std::vector<std::uint8_t> WithIccLookalike(std::vector<std::uint8_t> jpeg) {
    return WithSegment(std::move(jpeg), 0xE2, std::string("ICC_PROFILE\0\x01\x01", 14));
}

std::vector<std::uint8_t> WithCommentLookalike(std::vector<std::uint8_t> jpeg) {
    return WithSegment(std::move(jpeg), 0xFE, "made by hand");
}

// One of Debian's colord profiles (package colord-data), embedded as ImageMagick embeds it;
// its bytes hold FF C4 pairs.
const std::string kProfile = " -profile /usr/share/color/icc/colord/Bluish.icc";

const DecodeCase kCases[] = {
    {"png_grey", "grey.png", "gradient:black-white -colorspace Gray -define png:color-type=0", 1,
     0.5},
    {"png_grey16", "grey16.png", "gradient:black-white -colorspace Gray -depth 16", 1, 0.5},
    {"png_palette", "palette.png", kColour + " -colors 12 -define png:color-type=3", 1, 0.5},
    {"png_rgba", "rgba.png",
     "xc:none -fill 'rgba(200,0,0,0.5)' -draw 'rectangle 5,5 60,30' -fill black "
     "-draw 'circle 40,20 40,10' -define png:color-type=6",
     1, 0.5},
    // Interlaced, and packed below a byte a pixel: the image data checked against what the rows
    // need must count each pass and each packing as stb_image does.
    {"png_grey_interlaced", "grey-i.png",
     "gradient:black-white -colorspace Gray -define png:color-type=0 -interlace PNG", 1, 0.5},
    {"png_palette_4_bits_interlaced", "palette4-i.png",
     kColour + " -colors 12 -define png:color-type=3 -define png:bit-depth=4 -interlace PNG", 1,
     0.5},
    {"png_rgb16_interlaced", "rgb16-i.png", kColour + " -depth 16 -interlace PNG", 1, 0.5},
    {"png_bilevel", "bilevel.png", kColour + " -colorspace Gray -threshold 50% -type bilevel", 1,
     0.5},
    {"jpeg", "colour.jpg", kColour, 10, 2.0},
    {"jpeg_progressive", "progressive.jpg", "gradient:white-navy -interlace Plane", 10, 2.0},
    {"jpeg_icc_profile", "profile.jpg", kColour + kProfile, 10, 2.0},
    {"jpeg_icc_lookalike", "icc.jpg", kColour, 10, 2.0, WithIccLookalike},
    {"jpeg_comment_lookalike", "comment.jpg", "gradient:white-navy -interlace Plane", 10, 2.0,
     WithCommentLookalike},
    {"gif", "colour.gif", kColour, 1, 0.5},
    {"bmp24", "colour.bmp", kColour + " -type TrueColor", 1, 0.5},
};

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ImageMagickDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(ImageMagickDecode, LuminanceMatchesImageMagick) {
    const DecodeCase& c = GetParam();
    quillet::test::TempDir dir;
    const std::string path = (dir.Path() / c.file).string();
    const std::string command = "convert -size 80x40 " + c.make + " '" + path + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (c.edit) {
        const std::vector<std::uint8_t> edited = c.edit(ReadAll(path));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(edited.data()),
                  static_cast<std::streamsize>(edited.size()));
        ASSERT_TRUE(out.flush()) << path;
    }

    LightImage picture;
    std::string why;
    ASSERT_EQ(DecodePicture(ReadAll(path), DecodeLimits{}, picture, why), DecodeResult::Ok) << why;
    ASSERT_EQ(picture.width, 80u);
    ASSERT_EQ(picture.height, 40u);

    // ImageMagick to linear RGB, over white there, then Rec. 709 luminance, 16 bits a pixel.
    const std::string oracle = quillet::test::CommandOutput(
        "convert '" + path +
        "' -colorspace RGB -background white -alpha remove -alpha off "
        "-fx '0.2126*r+0.7152*g+0.0722*b' -set colorspace sRGB -depth 16 -endian LSB gray:-");
    ASSERT_EQ(oracle.size(), 80u * 40u * 2u);
    int worst = 0;
    double total = 0;
    for (std::size_t i = 0; i < picture.light.size(); ++i) {
        const auto lo = static_cast<std::uint8_t>(oracle[2 * i]);
        const auto hi = static_cast<std::uint8_t>(oracle[2 * i + 1]);
        const float theirs = (lo | hi << 8) / 65535.0f;
        const int step = std::abs(int(LinearToSrgb(picture.light[i])) - int(LinearToSrgb(theirs)));
        worst = std::max(worst, step);
        total += step;
    }
    EXPECT_LE(worst, c.maxStep);
    EXPECT_LE(total / picture.light.size(), c.meanStep);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageMagickDecode, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Interlaced PNGs whose sides leave some of the seven passes short or empty still decode: the
// bound on their image data counts every pass as it is.
TEST(PngBound, InterlacedPicturesOfEverySizeDecode) {
    quillet::test::TempDir dir;
    for (const char* size : {"1x1", "2x3", "5x1", "7x13", "9x9", "17x4"}) {
        for (const char* kind : {"-colorspace Gray -depth 8", "-depth 16", "-colors 5 -depth 2"}) {
            SCOPED_TRACE(std::string(size) + " " + kind);
            const std::string path = (dir.Path() / "i.png").string();
            const std::string command = std::string("convert -size ") + size +
                                        " -seed 7 plasma:fractal " + kind + " -interlace PNG '" +
                                        path + "' 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            LightImage picture;
            std::string why;
            EXPECT_EQ(DecodePicture(ReadAll(path), DecodeLimits{}, picture, why), DecodeResult::Ok)
                << why;
        }
    }
}

} // namespace
} // namespace quillet::logo
