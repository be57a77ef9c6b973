#include "bmp_builder.h"
#include "printer/raster_encoder.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

using test::Bytes;
using test::RecordingSink;

MonoBmp Picture(const Bytes& file) {
    MonoBmp picture;
    EXPECT_EQ(picture.Decode(file, test::AnyGeometry), BmpCheck::Ok);
    return picture;
}

TEST(RasterEncoder, TenByThreeGolden) {
    test::TempDir dir;
    const auto path =
        dir.Write("ten.bmp", test::BuildBmp({.width = 10,
                                             .height = 3,
                                             .fileRows = {{0xFF, 0x80, 0x00, 0x00},
                                                          {0x00, 0x00, 0x00, 0x00},
                                                          {0x55, 0x40, 0x00, 0x00}}}));
    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), CheckRasterGeometry), BmpCheck::Ok);
    RecordingSink sink;
    ASSERT_EQ(WriteRasterImage(sink, picture), EncodeResult::Ok);
    EXPECT_EQ(sink.writes, (std::vector<Bytes>{{0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03, 0x00},
                                               {0xAA, 0x80},
                                               {0xFF, 0xC0},
                                               {0x00, 0x40}}));
}

struct RasterCase {
    const char* name;
    std::uint32_t width, height;
    test::Palette palette0;
};

void PrintTo(const RasterCase& c, std::ostream* os) {
    *os << c.name;
}

class RasterImage : public testing::TestWithParam<RasterCase> {};

bool Pattern(std::uint32_t x, std::uint32_t y) {
    return (x * 5 + y * 11) % 7 < 3;
}

// Header, then row by row from the top: one write of B bytes each, bits beyond W clear.
TEST_P(RasterImage, RowsFromTheTopOneWriteEach) {
    const RasterCase& c = GetParam();
    const MonoBmp picture = Picture(test::BuildPictureBmp(c.width, c.height, Pattern, c.palette0));
    RecordingSink sink;
    ASSERT_EQ(WriteRasterImage(sink, picture), EncodeResult::Ok);

    const std::uint32_t b = (c.width + 7) / 8;
    ASSERT_EQ(sink.writes.size(), 1u + c.height);
    EXPECT_EQ(sink.writes[0],
              (Bytes{0x1D, 0x76, 0x30, 0x00, static_cast<std::uint8_t>(b),
                     static_cast<std::uint8_t>(b >> 8), static_cast<std::uint8_t>(c.height),
                     static_cast<std::uint8_t>(c.height >> 8)}));
    for (std::uint32_t y = 0; y < c.height; ++y) {
        Bytes expected(b, 0);
        for (std::uint32_t x = 0; x < c.width; ++x) {
            if (Pattern(x, y)) {
                expected[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        ASSERT_EQ(sink.writes[1 + y], expected) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, RasterImage,
                         testing::Values(RasterCase{"w8", 8, 4, test::kBlack},
                                         RasterCase{"w10", 10, 5, test::kBlack},
                                         RasterCase{"w10_white_first", 10, 5, test::kWhite},
                                         RasterCase{"w33_h300", 33, 300, test::kWhite},
                                         RasterCase{"w1600_stride_200", 1600, 6, test::kBlack},
                                         RasterCase{"w1599", 1599, 3, test::kWhite}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RasterEncoder, TooWideIsRefusedUnwritten) {
    const test::Palette black = test::kBlack;
    const Bytes wide = test::BuildPictureBmp(1601, 2, Pattern, black);
    const Bytes longStride =
        test::BuildBmp({.width = 16, .height = 2, .fileRows = {Bytes(201, 0), Bytes(201, 0)}});
    for (const Bytes& file : {wide, longStride}) {
        const MonoBmp picture = Picture(file);
        RecordingSink sink;
        EXPECT_EQ(WriteRasterImage(sink, picture), EncodeResult::TooLarge);
        EXPECT_EQ(sink.Attempts(), 0u);
    }
}

TEST(RasterEncoder, StopsAtTheFirstFailedWrite) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(40, 6, Pattern));
    for (const std::size_t failing : {0u, 1u, 4u, 6u}) {
        RecordingSink sink(failing);
        EXPECT_EQ(WriteRasterImage(sink, picture), EncodeResult::WriteFailed) << failing;
        EXPECT_EQ(sink.Attempts(), failing + 1) << failing;
    }
}

} // namespace
} // namespace quillet
