// Every file the converter writes is one Quillet's reader accepts and reads back dot for dot.
#include "bmp_builder.h"
#include "image/mono_bmp.h"
#include "image/mono_bmp_writer.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct WriterCase {
    std::uint32_t width, height;
};

void PrintTo(const WriterCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height;
}

// An asymmetric pattern: diagonals, a frame on two sides only, and a lone top-left dot.
DotImage Pattern(std::uint32_t width, std::uint32_t height) {
    DotImage dots{width, height, std::vector<std::uint8_t>(std::size_t{width} * height)};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool dot =
                (x * 7 + y * 3) % 5 == 0 || x == width - 1 || y == height - 1 || (x == 0 && y == 0);
            dots.dots[std::size_t{y} * width + x] = dot;
        }
    }
    return dots;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

class BmpWriter : public testing::TestWithParam<WriterCase> {};

TEST_P(BmpWriter, QuilletReadsTheSameDots) {
    const auto [width, height] = GetParam();
    const DotImage dots = Pattern(width, height);
    const std::vector<std::uint8_t> file = MonoBmpFile(dots);

    const std::uint32_t stride = (width + 31) / 32 * 4;
    ASSERT_EQ(file.size(), 62u + stride * height);
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), 62u);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(Le32(file, 30), 0u); // BI_RGB
    EXPECT_EQ(Le32(file, 34), stride * height);
    EXPECT_EQ(Le32(file, 54), 0x00000000u); // black first
    EXPECT_EQ(Le32(file, 58), 0x00FFFFFFu); // then white

    quillet::test::TempDir dir;
    const std::string path = dir.Write("logo.bmp", file).string();
    MonoBmpInfo header;
    ASSERT_EQ(CheckMonoBmpFile(path.c_str(), header), BmpCheck::Ok);
    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), quillet::test::AnyGeometry), BmpCheck::Ok);
    ASSERT_EQ(picture.Info().width, width);
    ASSERT_EQ(picture.Info().height, height);
    EXPECT_EQ(picture.Info().stride, stride);
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto row = picture.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool dot = (row[x / 8] & (0x80 >> (x % 8))) != 0;
            ASSERT_EQ(dot, dots.At(x, y)) << "x " << x << " y " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpWriter,
                         testing::Values(WriterCase{1, 1}, WriterCase{7, 3}, WriterCase{8, 2},
                                         WriterCase{33, 5}, WriterCase{576, 9}, WriterCase{1600, 2},
                                         WriterCase{31, 300}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

} // namespace
} // namespace quillet
