#include "bmp_builder.h"
#include "nv_reference.h"
#include "printer/nv_image_encoder.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

namespace quillet {
namespace {

using test::Bytes;
using test::DotFn;
using test::RecordingSink;

// X.X.X.X.X. / XXXXXXXXXX / .........X
bool TenByThreeDot(std::uint32_t x, std::uint32_t y) {
    switch (y) {
    case 0:
        return x % 2 == 0;
    case 1:
        return true;
    default:
        return x == 9;
    }
}

// The dialog's area, shared by every test like the dialog shares it between runs, and filled
// with leftovers first so that a missing clear shows.
NvWorkArea& Work() {
    static NvWorkArea work;
    for (auto& column : work) {
        column.fill(0xA5);
    }
    return work;
}

MonoBmp Picture(const Bytes& file) {
    MonoBmp picture;
    EXPECT_EQ(picture.Decode(file, test::AnyGeometry), BmpCheck::Ok);
    return picture;
}

TEST(NvImageEncoder, TenByThreeGoldenStreamForBothPalettes) {
    const Bytes expected = {0x1C, 0x71, 0x01, 0x02, 0x00, 0x01, 0x00, 0xC0, 0x40, 0xC0, 0x40, 0xC0,
                            0x40, 0xC0, 0x40, 0xC0, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const test::BmpFields blackFirst = {
        .width = 10,
        .height = 3,
        .fileRows = {{0xFF, 0x80, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}, {0x55, 0x40, 0x00, 0x00}}};
    test::BmpFields whiteFirst = blackFirst;
    whiteFirst.palette0 = test::kWhite;
    whiteFirst.palette1 = test::kBlack;
    whiteFirst.fileRows = {
        {0x00, 0x40, 0x00, 0x00}, {0xFF, 0xC0, 0x00, 0x00}, {0xAA, 0x80, 0x00, 0x00}};

    test::TempDir dir;
    for (const auto& fields : {blackFirst, whiteFirst}) {
        const auto path = dir.Write("ten.bmp", test::BuildBmp(fields));
        MonoBmpInfo checked;
        ASSERT_EQ(CheckNvImageFile(path.c_str(), checked), BmpCheck::Ok);
        MonoBmp picture;
        ASSERT_EQ(ReadCheckedNvPicture(path.c_str(), checked, picture), BmpCheck::Ok);
        RecordingSink sink;
        ASSERT_EQ(WriteNvStreamHeader(sink, 1), EncodeResult::Ok);
        ASSERT_EQ(WriteNvImageBlock(sink, picture, Work()), EncodeResult::Ok);
        EXPECT_EQ(sink.Joined(), expected);
    }
}

TEST(NvImageEncoder, NoUsedSlotIsJustTheStreamHeader) {
    RecordingSink sink;
    ASSERT_EQ(WriteNvStreamHeader(sink, 0), EncodeResult::Ok);
    EXPECT_EQ(sink.writes, (std::vector<Bytes>{{0x1C, 0x71, 0x00}}));
}

TEST(NvImageEncoder, TwoImagesFollowTheHeaderWithNothingBetween) {
    const DotFn diagonal = [](std::uint32_t x, std::uint32_t y) { return x == y; };
    const MonoBmp first = Picture(test::BuildPictureBmp(10, 3, TenByThreeDot));
    const MonoBmp second = Picture(test::BuildPictureBmp(20, 12, diagonal, test::kWhite));
    RecordingSink sink;
    ASSERT_EQ(WriteNvStreamHeader(sink, 2), EncodeResult::Ok);
    ASSERT_EQ(WriteNvImageBlock(sink, first, Work()), EncodeResult::Ok);
    ASSERT_EQ(WriteNvImageBlock(sink, second, Work()), EncodeResult::Ok);

    Bytes expected = {0x1C, 0x71, 0x02};
    for (const Bytes& block :
         {test::ReferenceNvBlock(10, 3, TenByThreeDot), test::ReferenceNvBlock(20, 12, diagonal)}) {
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(sink.Joined(), expected);
    EXPECT_EQ(sink.writes.size(), 1u + (1 + 16) + (1 + 24));
}

struct BlockCase {
    const char* name;
    std::uint32_t width, height;
    DotFn dot;
    test::Palette palette0;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << c.name;
}

class NvImageBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(NvImageBlock, MatchesTheBitByBitDefinitionInItsWrites) {
    const BlockCase& c = GetParam();
    const MonoBmp picture = Picture(test::BuildPictureBmp(c.width, c.height, c.dot, c.palette0));
    RecordingSink sink;
    ASSERT_EQ(WriteNvImageBlock(sink, picture, Work()), EncodeResult::Ok);
    EXPECT_EQ(sink.Joined(), test::ReferenceNvBlock(c.width, c.height, c.dot));

    const std::size_t x = (c.width + 7) / 8;
    const std::size_t y = (c.height + 7) / 8;
    ASSERT_EQ(sink.writes.size(), 1 + 8 * x);
    EXPECT_EQ(sink.writes[0].size(), 4u);
    for (std::size_t i = 1; i < sink.writes.size(); ++i) {
        ASSERT_EQ(sink.writes[i].size(), y) << "write " << i;
    }
}

const DotFn kAll = [](std::uint32_t, std::uint32_t) { return true; };
const DotFn kPattern = [](std::uint32_t x, std::uint32_t y) { return (x * 7 + y * 3) % 5 == 0; };
const DotFn kBorder = [](std::uint32_t x, std::uint32_t y) { return x == 0 || y == 0 || x == y; };

INSTANTIATE_TEST_SUITE_P(
    Shapes, NvImageBlock,
    testing::Values(BlockCase{"w10_h3", 10, 3, TenByThreeDot, test::kBlack},
                    BlockCase{"w10_all_dots_last_band_two_columns", 10, 3, kAll, test::kBlack},
                    BlockCase{"w16_h8_whole_bytes", 16, 8, kPattern, test::kBlack},
                    BlockCase{"w16_h8_white_first", 16, 8, kPattern, test::kWhite},
                    BlockCase{"h3_five_low_bits_zero", 8, 3, kAll, test::kWhite},
                    BlockCase{"h9_second_byte_one_dot", 9, 9, kAll, test::kBlack},
                    BlockCase{"w1_h1", 1, 1, kAll, test::kBlack},
                    BlockCase{"w72_more_than_a_pass", 72, 17, kPattern, test::kBlack},
                    BlockCase{"w67_h8000_columns_of_1000", 67, 8000, kPattern, test::kBlack},
                    BlockCase{"w9_h7999", 9, 7999, kBorder, test::kWhite}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NvImageEncoder, H8000GivesColumnsOf1000Bytes) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(8, 8000, kAll));
    RecordingSink sink;
    ASSERT_EQ(WriteNvImageBlock(sink, picture, Work()), EncodeResult::Ok);
    EXPECT_EQ(sink.writes[0], (Bytes{0x01, 0x00, 0xE8, 0x03}));
    ASSERT_EQ(sink.writes.size(), 9u);
    for (std::size_t i = 1; i < 9; ++i) {
        EXPECT_EQ(sink.writes[i], Bytes(1000, 0xFF));
    }
}

TEST(NvImageEncoder, HigherThan8000IsRefusedUnwritten) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(8, 8001, kAll));
    RecordingSink sink;
    EXPECT_EQ(WriteNvImageBlock(sink, picture, Work()), EncodeResult::TooLarge);
    EXPECT_EQ(sink.Attempts(), 0u);
}

TEST(NvImageEncoder, StopsAtTheFirstFailedWrite) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(24, 20, kPattern));
    const std::size_t writes = 1 + 8 * 3;
    for (const std::size_t failing : {std::size_t{0}, std::size_t{1}, std::size_t{9}, writes - 1}) {
        RecordingSink sink(failing);
        EXPECT_EQ(WriteNvImageBlock(sink, picture, Work()), EncodeResult::WriteFailed) << failing;
        EXPECT_EQ(sink.Attempts(), failing + 1) << failing;
    }
    RecordingSink refusing(0);
    EXPECT_EQ(WriteNvStreamHeader(refusing, 3), EncodeResult::WriteFailed);
}

TEST(NvImageEncoder, CheckFileBeforeStreaming) {
    test::TempDir dir;
    auto tall = test::BuildPictureBmp(8, 8001, kAll);
    auto eightBit = test::BuildPictureBmp(8, 8, kAll);
    eightBit[28] = 8;
    const std::pair<std::string, BmpCheck> cases[] = {
        {dir.Write("ok.bmp", test::BuildPictureBmp(8, 8000, kAll)).string(), BmpCheck::Ok},
        {dir.Write("tall.bmp", tall).string(), BmpCheck::BadGeometry},
        {dir.Write("short.bmp", Bytes(61, 'B')).string(), BmpCheck::TooShort},
        {dir.Write("eight.bmp", eightBit).string(), BmpCheck::NotOneBit},
        {(dir.Path() / "absent.bmp").string(), BmpCheck::CannotOpen},
    };
    for (const auto& [path, check] : cases) {
        MonoBmpInfo info;
        EXPECT_EQ(CheckNvImageFile(path.c_str(), info), check) << path;
        if (check == BmpCheck::Ok) {
            EXPECT_EQ(info.width, 8u);
            EXPECT_EQ(info.height, 8000u);
        }
    }
}

TEST(NvImageEncoder, WorkAreaKeepsTheLastBandWithTheRestCleared) {
    NvWorkArea& work = Work();
    const MonoBmp picture = Picture(test::BuildPictureBmp(10, 3, TenByThreeDot));
    RecordingSink sink;
    ASSERT_EQ(WriteNvImageBlock(sink, picture, work), EncodeResult::Ok);
    const std::uint8_t lastBand[8] = {0xC0, 0x60, 0, 0, 0, 0, 0, 0};
    for (std::size_t j = 0; j < 8; ++j) {
        EXPECT_EQ(work[j][0], lastBand[j]) << j;
        EXPECT_TRUE(std::all_of(work[j].begin() + 1, work[j].end(), [](auto b) { return b == 0; }))
            << j;
    }
}

// The file of a checked slot as it may be by the time its picture is read.
TEST(NvImageEncoder, ReadOfACheckedPictureRefusesAFileChangedSinceItsCheck) {
    const Bytes checkedFile = test::BuildPictureBmp(10, 3, TenByThreeDot);
    auto eightBit = checkedFile;
    eightBit[28] = 8;
    struct Case {
        const char* name;
        std::optional<Bytes> now; // nullopt: deleted
        BmpCheck read;
    };
    const Case cases[] = {
        {"unchanged", checkedFile, BmpCheck::Ok},
        {"other dots, same size", test::BuildPictureBmp(10, 3, kAll, test::kWhite), BmpCheck::Ok},
        {"deleted", std::nullopt, BmpCheck::CannotOpen},
        {"no longer 1-bit", eightBit, BmpCheck::NotOneBit},
        {"wider, same byte count", test::BuildPictureBmp(12, 3, kAll), BmpCheck::BadGeometry},
        {"wider by a byte", test::BuildPictureBmp(17, 3, kAll), BmpCheck::BadGeometry},
        {"lower", test::BuildPictureBmp(10, 2, kAll), BmpCheck::BadGeometry},
        {"taller than 8000", test::BuildPictureBmp(10, 8001, kAll), BmpCheck::BadGeometry},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto path = dir.Write("slot.bmp", checkedFile);
        MonoBmpInfo checked;
        ASSERT_EQ(CheckNvImageFile(path.c_str(), checked), BmpCheck::Ok);
        if (c.now) {
            dir.Write("slot.bmp", *c.now);
        } else {
            std::filesystem::remove(path);
        }
        MonoBmp picture;
        EXPECT_EQ(ReadCheckedNvPicture(path.c_str(), checked, picture), c.read) << c.name;
    }
}

TEST(NvImageEncoder, BlankBlockHasTheCheckedSizeInTheImageBlocksWrites) {
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {
        {10, 3}, {1, 1}, {16, 8}, {72, 17}, {67, 8000}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const MonoBmp picture = Picture(test::BuildPictureBmp(width, height, kPattern));
        RecordingSink blank;
        ASSERT_EQ(WriteNvBlankBlock(blank, picture.Info(), Work()), EncodeResult::Ok);
        EXPECT_EQ(blank.Joined(),
                  test::ReferenceNvBlock(width, height, [](auto, auto) { return false; }));
        RecordingSink image;
        ASSERT_EQ(WriteNvImageBlock(image, picture, Work()), EncodeResult::Ok);
        ASSERT_EQ(blank.writes.size(), image.writes.size());
        for (std::size_t i = 0; i < blank.writes.size(); ++i) {
            ASSERT_EQ(blank.writes[i].size(), image.writes[i].size()) << "write " << i;
        }
    }
}

TEST(NvImageEncoder, BlankBlockRefusesWhatNoImageBlockHoldsAndStopsAtAFailedWrite) {
    MonoBmpInfo tall = Picture(test::BuildPictureBmp(8, 8001, kAll)).Info();
    RecordingSink sink;
    EXPECT_EQ(WriteNvBlankBlock(sink, tall, Work()), EncodeResult::TooLarge);
    tall.height = 0;
    EXPECT_EQ(WriteNvBlankBlock(sink, tall, Work()), EncodeResult::TooLarge);
    EXPECT_EQ(sink.Attempts(), 0u);

    const MonoBmpInfo info = Picture(test::BuildPictureBmp(24, 20, kPattern)).Info();
    for (const std::size_t failing : {std::size_t{0}, std::size_t{1}, std::size_t{24}}) {
        RecordingSink refusing(failing);
        EXPECT_EQ(WriteNvBlankBlock(refusing, info, Work()), EncodeResult::WriteFailed) << failing;
        EXPECT_EQ(refusing.Attempts(), failing + 1) << failing;
    }
}

} // namespace
} // namespace quillet
