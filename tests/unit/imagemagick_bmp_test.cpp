// Files written by ImageMagick, whose palettes, strides and padding we did not choose, read back
// pixel by pixel against what ImageMagick says the pixels are.
#include "bmp_builder.h"
#include "image/mono_bmp.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace quillet {
namespace {

struct MagickCase {
    const char* name;
    std::uint32_t width, height;
    const char* draw;     // convert arguments that paint the picture
    const char* polarity; // how the 1-bit file is written
    // Which palette entry ImageMagick puts first depends on the picture; where we know it, the
    // case checks that both orders are really met.
    enum { EitherFirst, BlackFirst, WhiteFirst } paletteOrder;
};

void PrintTo(const MagickCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr const char* kBlackFirst = "-monochrome";
// Negating around -monochrome makes ImageMagick write palette entry 0 white.
constexpr const char* kWhiteFirst = "-negate -monochrome -negate";

const MagickCase kCases[] = {
    {"box_37x11", 37, 11, "xc:white -fill black -draw 'rectangle 3,2 20,8'", kBlackFirst,
     MagickCase::BlackFirst},
    {"box_37x11_white_first", 37, 11, "xc:white -fill black -draw 'rectangle 3,2 20,8'",
     kWhiteFirst, MagickCase::WhiteFirst},
    {"noise_45x13", 45, 13, "xc:gray50 -seed 3 +noise Random", kBlackFirst,
     MagickCase::EitherFirst},
    {"noise_45x13_white_first", 45, 13, "xc:gray50 -seed 3 +noise Random", kWhiteFirst,
     MagickCase::EitherFirst},
    {"dot_1x1", 1, 1, "xc:black", kBlackFirst, MagickCase::EitherFirst},
    {"noise_64x9", 64, 9, "xc:gray50 -seed 11 +noise Random", kBlackFirst, MagickCase::EitherFirst},
    {"text_203x40", 203, 40,
     "xc:white -font DejaVu-Sans-Bold -pointsize 24 -fill black -annotate +4+30 'Quillet 7'",
     kWhiteFirst, MagickCase::EitherFirst},
};

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

void RunCommand(const std::string& command) {
    ASSERT_EQ(std::system((command + " 2>&1").c_str()), 0) << command;
}

// One byte per pixel from ImageMagick: 0 for black, 255 for white.
std::string GrayPixels(const std::string& path) {
    return test::CommandOutput("convert " + Quoted(path) + " -depth 8 gray:-");
}

// Every dot of the picture is a black pixel of ImageMagick's reading, and the other way round.
void ExpectDotsAreBlackPixels(const MonoBmp& picture, const std::string& gray) {
    const std::uint32_t width = picture.Info().width;
    const std::uint32_t height = picture.Info().height;
    ASSERT_EQ(gray.size(), std::size_t{width} * height);
    std::size_t dots = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto row = picture.Row(y);
        ASSERT_EQ(row.size(), (width + 7) / 8);
        for (std::uint32_t x = 0; x < row.size() * 8; ++x) {
            const bool dot = (row[x / 8] & (0x80 >> (x % 8))) != 0;
            const bool black = x < width && gray[std::size_t{y} * width + x] == 0;
            ASSERT_EQ(dot, black) << "x " << x << " y " << y;
            dots += dot;
        }
    }
    EXPECT_GT(dots, 0u);
}

class ImageMagickBmp : public testing::TestWithParam<MagickCase> {};

TEST_P(ImageMagickBmp, DotsAreTheBlackPixels) {
    const MagickCase& c = GetParam();
    test::TempDir dir;
    const std::string path = (dir.Path() / "picture.bmp").string();
    ASSERT_NO_FATAL_FAILURE(RunCommand("convert -size " + std::to_string(c.width) + "x" +
                                       std::to_string(c.height) + " " + c.draw + " " + c.polarity +
                                       " BMP3:" + Quoted(path)));
    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), CheckNvGeometry), BmpCheck::Ok);
    ASSERT_EQ(picture.Info().width, c.width);
    ASSERT_EQ(picture.Info().height, c.height);
    if (c.paletteOrder != MagickCase::EitherFirst) {
        EXPECT_EQ(picture.Info().invert, c.paletteOrder == MagickCase::BlackFirst);
    }
    ExpectDotsAreBlackPixels(picture, GrayPixels(path));
}

INSTANTIATE_TEST_SUITE_P(Files, ImageMagickBmp, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SampleLogo {
    const char* file;
    std::uint32_t width, height;
};

void PrintTo(const SampleLogo& c, std::ostream* os) {
    *os << c.file;
}

class SampleLogos : public testing::TestWithParam<SampleLogo> {};

// The demo's logos: readable, printable by both picture commands, and read as ImageMagick drew
// them.
TEST_P(SampleLogos, ReadAsDrawnAndFitBothCommands) {
    const SampleLogo& c = GetParam();
    const std::string path = std::string(QUILLET_SAMPLES_DIR) + "/" + c.file;
    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), CheckNvGeometry), BmpCheck::Ok);
    EXPECT_EQ(picture.Info().width, c.width);
    EXPECT_EQ(picture.Info().height, c.height);
    EXPECT_EQ(CheckNvGeometry(picture.Info()), BmpCheck::Ok);
    EXPECT_EQ(CheckRasterGeometry(picture.Info()), BmpCheck::Ok);
    ExpectDotsAreBlackPixels(picture, GrayPixels(path));
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleLogos,
                         testing::Values(SampleLogo{"quillet-q.bmp", 200, 200},
                                         SampleLogo{"receipt-header.bmp", 576, 128},
                                         SampleLogo{"test-pattern.bmp", 384, 160}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

} // namespace
} // namespace quillet
