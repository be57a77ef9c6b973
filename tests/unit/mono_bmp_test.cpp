#include "bmp_builder.h"
#include "image/mono_bmp.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace quillet {
namespace {

using test::BmpFields;
using test::BuildBmp;
using test::Bytes;

struct ExpectedInfo {
    std::uint32_t fileSize, width, height, stride, rowBytes;
    bool invert;
    std::uint8_t mask;
};

struct ReaderCase {
    std::string name;
    std::optional<Bytes> file; // nullopt: no file at all
    BmpCheck check;
    ExpectedInfo info{};
    std::vector<Bytes> rows; // from the top
};

void PrintTo(const ReaderCase& c, std::ostream* os) {
    *os << c.name;
}

// The 10 x 3 picture (X.X.X.X.X. / XXXXXXXXXX / .........X) as stored with a black-first palette.
BmpFields TenByThree() {
    BmpFields f;
    f.width = 10;
    f.height = 3;
    f.fileRows = {{0xFF, 0x80, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}, {0x55, 0x40, 0x00, 0x00}};
    return f;
}

BmpFields TenByThreeWhiteFirst() {
    BmpFields f = TenByThree();
    f.palette0 = test::kWhite;
    f.palette1 = test::kBlack;
    f.fileRows = {{0x00, 0x40, 0x00, 0x00}, {0xFF, 0xC0, 0x00, 0x00}, {0xAA, 0x80, 0x00, 0x00}};
    return f;
}

const std::vector<Bytes> kTenByThreeRows = {{0xAA, 0x80}, {0xFF, 0xC0}, {0x00, 0x40}};
const ExpectedInfo kTenByThreeInfo = {74, 10, 3, 4, 2, true, 0xC0};

template <typename Change> Bytes Bent(BmpFields f, Change change) {
    change(f);
    return BuildBmp(f);
}

Bytes Sized(std::uint32_t width, std::uint32_t height) {
    return Bent(TenByThree(), [&](BmpFields& f) {
        f.width = width;
        f.height = height;
    });
}

std::vector<ReaderCase> ReaderCases() {
    ExpectedInfo whiteFirst = kTenByThreeInfo;
    whiteFirst.invert = false;
    return {
        {"ten_by_three_black_first", BuildBmp(TenByThree()), BmpCheck::Ok, kTenByThreeInfo,
         kTenByThreeRows},
        {"ten_by_three_white_first", BuildBmp(TenByThreeWhiteFirst()), BmpCheck::Ok, whiteFirst,
         kTenByThreeRows},
        {"red_palette_entry_is_complemented",
         Bent(TenByThree(), [](BmpFields& f) { f.palette0 = test::kRed; }), BmpCheck::Ok,
         kTenByThreeInfo, kTenByThreeRows},
        {"blue_byte_alone_decides_no_complement",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.palette0 = {0x01, 0x00, 0x00, 0x00};
              }),
         BmpCheck::Ok,
         {74, 10, 3, 4, 2, false, 0xC0},
         {{0x55, 0x40}, {0x00, 0x00}, {0xFF, 0x80}}},
        {"blue_byte_alone_decides_complement",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.palette0 = {0x00, 0xFF, 0xFF, 0xFF};
              }),
         BmpCheck::Ok, kTenByThreeInfo, kTenByThreeRows},
        {"width_32_whole_last_byte",
         BuildBmp({.width = 32, .height = 1, .fileRows = {{0xFF, 0xFF, 0xFF, 0xFE}}}),
         BmpCheck::Ok,
         {66, 32, 1, 4, 4, true, 0x00},
         {{0x00, 0x00, 0x00, 0x01}}},
        {"width_8_whole_byte",
         BuildBmp({.width = 8, .height = 2, .fileRows = {{0xFE, 0, 0, 0}, {0x7F, 0, 0, 0}}}),
         BmpCheck::Ok,
         {70, 8, 2, 4, 1, true, 0x00},
         {{0x80}, {0x01}}},
        {"width_1_mask_80",
         BuildBmp({.width = 1, .height = 2, .fileRows = {{0x00, 0, 0, 0}, {0x80, 0, 0, 0}}}),
         BmpCheck::Ok,
         {70, 1, 2, 4, 1, true, 0x80},
         {{0x00}, {0x80}}},
        {"exactly_62_bytes_reads_blank",
         BuildBmp({.width = 8, .height = 1, .sizeField = 66, .cutTo = 62}),
         BmpCheck::Ok,
         {66, 8, 1, 4, 1, true, 0x00},
         {{0x00}}},
        {"bits_field_0x0101", Bent(TenByThree(), [](BmpFields& f) { f.bitsPerPixel = 0x0101; }),
         BmpCheck::Ok, kTenByThreeInfo, kTenByThreeRows},
        {"data_offset_and_info_size_ignored",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.dataOffset = 0x76;
                  f.infoHeaderSize = 108;
              }),
         BmpCheck::Ok, kTenByThreeInfo, kTenByThreeRows},
        {"stride_from_size_field_not_width",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.fileRows = {{0xFF, 0x80, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA},
                                {0x00, 0x00, 0, 0, 0x55, 0x55, 0x55, 0x55},
                                {0x55, 0x40, 0, 0, 0x0F, 0x0F, 0x0F, 0x0F}};
              }),
         BmpCheck::Ok,
         {86, 10, 3, 8, 2, true, 0xC0},
         kTenByThreeRows},
        {"size_field_h_bytes_over_gives_stride_5",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.fileRows = {
                      {0xFF, 0x80, 0, 0, 0x33}, {0x00, 0x00, 0, 0, 0x33}, {0x55, 0x40, 0, 0, 0x33}};
              }),
         BmpCheck::Ok,
         {77, 10, 3, 5, 2, true, 0xC0},
         kTenByThreeRows},
        {"size_field_under_h_bytes_over_keeps_stride",
         Bent(TenByThree(), [](BmpFields& f) { f.sizeField = 76; }),
         BmpCheck::Ok,
         {76, 10, 3, 4, 2, true, 0xC0},
         kTenByThreeRows},
        {"short_file_reads_blank_despite_complement",
         Bent(TenByThree(), [](BmpFields& f) { f.cutTo = 66; }),
         BmpCheck::Ok,
         kTenByThreeInfo,
         {{0x00, 0x00}, {0x00, 0x00}, {0x00, 0x40}}},
        {"short_file_reads_blank_white_first",
         Bent(TenByThreeWhiteFirst(), [](BmpFields& f) { f.cutTo = 62; }),
         BmpCheck::Ok,
         whiteFirst,
         {{0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}}},
        {"file_cut_inside_a_row",
         BuildBmp({.width = 16,
                   .height = 2,
                   .fileRows = {{0x00, 0x00, 0x00, 0x00}, {0x0F, 0xF0, 0x00, 0x00}},
                   .cutTo = 67}),
         BmpCheck::Ok,
         {70, 16, 2, 4, 2, true, 0x00},
         {{0xF0, 0x00}, {0xFF, 0xFF}}},
        {"short_size_claim_of_gigabytes_reads_blank",
         Bent(TenByThree(), [](BmpFields& f) { f.sizeField = 0xFFFFFFF0u; }),
         BmpCheck::Ok,
         {0xFFFFFFF0u, 10, 3, (0xFFFFFFF0u - 62) / 3, 2, true, 0xC0},
         {{0x00, 0x00}, {0x00, 0x00}, {0x00, 0x40}}},
        {"missing_file", std::nullopt, BmpCheck::CannotOpen, {}, {}},
        {"empty_file", Bytes{}, BmpCheck::TooShort, {}, {}},
        {"61_bytes",
         Bent(TenByThree(), [](BmpFields& f) { f.cutTo = 61; }),
         BmpCheck::TooShort,
         {},
         {}},
        {"short_file_is_refused_before_signature", Bytes(40, 0), BmpCheck::TooShort, {}, {}},
        {"no_bm_signature",
         [] {
             Bytes b = BuildBmp(TenByThree());
             b[1] = 'N';
             return b;
         }(),
         BmpCheck::NotOneBit,
         {},
         {}},
        {"24_bits_per_pixel",
         Bent(TenByThree(), [](BmpFields& f) { f.bitsPerPixel = 24; }),
         BmpCheck::NotOneBit,
         {},
         {}},
        {"bits_field_0x0100",
         Bent(TenByThree(), [](BmpFields& f) { f.bitsPerPixel = 0x0100; }),
         BmpCheck::NotOneBit,
         {},
         {}},
        {"signature_is_refused_before_geometry",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.bitsPerPixel = 8;
                  f.height = 0;
              }),
         BmpCheck::NotOneBit,
         {},
         {}},
        {"height_zero", Sized(10, 0), BmpCheck::BadGeometry, {}, {}},
        {"negative_height_top_down",
         Sized(10, static_cast<std::uint32_t>(-3)),
         BmpCheck::BadGeometry,
         {},
         {}},
        {"height_65536", Sized(10, 0x10000), BmpCheck::BadGeometry, {}, {}},
        {"height_65539_low_bits_3", Sized(10, 0x10003), BmpCheck::BadGeometry, {}, {}},
        {"width_65546_low_bits_10", Sized(0x1000A, 3), BmpCheck::BadGeometry, {}, {}},
        {"negative_width",
         Sized(static_cast<std::uint32_t>(-10), 3),
         BmpCheck::BadGeometry,
         {},
         {}},
        {"width_zero", Sized(0, 3), BmpCheck::BadGeometry, {}, {}},
        {"size_field_below_62",
         Bent(TenByThree(), [](BmpFields& f) { f.sizeField = 50; }),
         BmpCheck::BadGeometry,
         {},
         {}},
        // A stride below B is described by the formula: rows overlap, bytes past the end blank.
        {"exactly_62_bytes_holds_no_pixels",
         Bent(TenByThree(), [](BmpFields& f) { f.fileRows = {}; }),
         BmpCheck::Ok,
         {62, 10, 3, 0, 2, true, 0xC0},
         {{0x00, 0x00}, {0x00, 0x00}, {0x00, 0x00}}},
        {"stride_below_row_bytes_rows_overlap",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.width = 16;
                  f.palette0 = test::kWhite;
                  f.fileRows = {{0x11, 0x22, 0x33, 0x44}};
                  f.sizeField = 65;
              }),
         BmpCheck::Ok,
         {65, 16, 3, 1, 2, false, 0x00},
         {{0x33, 0x44}, {0x22, 0x33}, {0x11, 0x22}}},
        {"stride_0_every_row_the_first_bytes",
         Bent(TenByThree(),
              [](BmpFields& f) {
                  f.fileRows = {{0x0F}};
                  f.sizeField = 63;
              }),
         BmpCheck::Ok,
         {63, 10, 3, 0, 2, true, 0xC0},
         {{0xF0, 0x00}, {0xF0, 0x00}, {0xF0, 0x00}}},
    };
}

void ExpectPicture(const MonoBmp& picture, const ReaderCase& c) {
    const MonoBmpInfo& info = picture.Info();
    EXPECT_EQ(info.fileSize, c.info.fileSize);
    EXPECT_EQ(info.width, c.info.width);
    EXPECT_EQ(info.height, c.info.height);
    EXPECT_EQ(info.stride, c.info.stride);
    EXPECT_EQ(info.rowBytes, c.info.rowBytes);
    EXPECT_EQ(info.invert, c.info.invert);
    EXPECT_EQ(info.lastByteMask, c.info.mask);
    ASSERT_EQ(info.height, c.rows.size());
    for (std::uint32_t top = 0; top < info.height; ++top) {
        const auto row = picture.Row(top);
        EXPECT_EQ(Bytes(row.begin(), row.end()), c.rows[top]) << "row " << top;
    }
}

class MonoBmpReader : public testing::TestWithParam<ReaderCase> {};

TEST_P(MonoBmpReader, ReadsFileAsDescribed) {
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    const auto path = c.file ? dir.Write("picture.bmp", *c.file) : dir.Path() / "absent.bmp";

    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), test::AnyGeometry), c.check);
    if (c.check == BmpCheck::Ok) {
        ExpectPicture(picture, c);
    }
}

TEST_P(MonoBmpReader, HeaderCheckAgreesWithRead) {
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    const auto path = c.file ? dir.Write("picture.bmp", *c.file) : dir.Path() / "absent.bmp";

    MonoBmpInfo info;
    EXPECT_EQ(CheckMonoBmpFile(path.c_str(), info), c.check);
    if (c.check == BmpCheck::Ok) {
        EXPECT_EQ(info.width, c.info.width);
        EXPECT_EQ(info.height, c.info.height);
        EXPECT_EQ(info.stride, c.info.stride);
    }
}

TEST_P(MonoBmpReader, DecodesBytesInMemoryAlike) {
    const ReaderCase& c = GetParam();
    if (!c.file) {
        GTEST_SKIP() << "no bytes to decode";
    }
    MonoBmp picture;
    ASSERT_EQ(picture.Decode(*c.file, test::AnyGeometry), c.check);
    if (c.check == BmpCheck::Ok) {
        ExpectPicture(picture, c);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MonoBmpReader, testing::ValuesIn(ReaderCases()),
                         [](const auto& info) { return info.param.name; });

TEST(MonoBmpReader, FailedReadDropsThePreviousPicture) {
    test::TempDir dir;
    MonoBmp picture;
    ASSERT_EQ(picture.Read(dir.Write("a.bmp", BuildBmp(TenByThree())).c_str(), test::AnyGeometry),
              BmpCheck::Ok);
    ASSERT_EQ(picture.Read((dir.Path() / "gone.bmp").c_str(), test::AnyGeometry),
              BmpCheck::CannotOpen);
    EXPECT_EQ(picture.Info().height, 0);
    EXPECT_EQ(picture.Info().rowBytes, 0u);
}

TEST(BmpCheckMessage, GivesTheOperatorsText) {
    const std::pair<BmpCheck, std::string> cases[] = {
        {BmpCheck::Ok, ""},
        {BmpCheck::CannotOpen, "Error : Bitmap open !!!"},
        {BmpCheck::TooShort, "Error : Bitmap size !!!"},
        {BmpCheck::NotOneBit, "Only 1-bit bitmaps are supported."},
        {BmpCheck::BadGeometry, "Error : Bitmap size !!!"},
        {BmpCheck::ReadError, "Error : Bitmap open !!!"},
    };
    for (const auto& [check, text] : cases) {
        EXPECT_EQ(BmpCheckMessage(check), text) << static_cast<int>(check);
    }
}

struct GeometryCase {
    const char* name;
    std::uint32_t width, height, stride;
    BmpCheck nv, raster;
};

TEST(EncoderGeometry, LimitsOfTheTwoPictureCommands) {
    const GeometryCase cases[] = {
        {"small", 10, 3, 4, BmpCheck::Ok, BmpCheck::Ok},
        {"nv_height_8000", 8, 8000, 4, BmpCheck::Ok, BmpCheck::Ok},
        {"nv_height_8001", 8, 8001, 4, BmpCheck::BadGeometry, BmpCheck::Ok},
        {"raster_1600_wide_stride_200", 1600, 2, 200, BmpCheck::Ok, BmpCheck::Ok},
        {"raster_1601_wide", 1601, 2, 204, BmpCheck::Ok, BmpCheck::BadGeometry},
        {"raster_stride_201", 16, 2, 201, BmpCheck::Ok, BmpCheck::BadGeometry},
    };
    for (const auto& c : cases) {
        const Bytes file =
            BuildBmp({.width = c.width, .height = c.height, .sizeField = 62 + c.stride * c.height});
        std::uint8_t header[kMonoBmpHeaderSize];
        std::copy_n(file.begin(), kMonoBmpHeaderSize, header);
        MonoBmpInfo info;
        ASSERT_EQ(ParseMonoBmpHeader(header, info), BmpCheck::Ok) << c.name;
        ASSERT_EQ(info.stride, c.stride) << c.name;
        EXPECT_EQ(CheckNvGeometry(info), c.nv) << c.name;
        EXPECT_EQ(CheckRasterGeometry(info), c.raster) << c.name;
    }
}

} // namespace
} // namespace quillet
