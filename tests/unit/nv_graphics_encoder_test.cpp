#include "bmp_builder.h"
#include "printer/nv_graphics_encoder.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

using test::Bytes;
using test::RecordingSink;

MonoBmp Picture(const Bytes& file) {
    MonoBmp picture;
    EXPECT_EQ(picture.Decode(file, test::AnyGeometry), BmpCheck::Ok);
    return picture;
}

// A blank picture of any size, built from whole rows: fast even at the largest geometry.
MonoBmp BlankPicture(std::uint32_t width, std::uint32_t height) {
    const std::uint32_t stride = (width + 31) / 32 * 4;
    return Picture(test::BuildBmp(
        {.width = width, .height = height, .fileRows = std::vector<Bytes>(height, Bytes(stride))}));
}

bool Pattern(std::uint32_t x, std::uint32_t y) {
    return (x * 5 + y * 11) % 7 < 3;
}

// Top row first: '#' is a dot.
const char* const kArt[] = {
    "##.......#",
    "..#.......",
    "#.#.#.#.##",
};

bool ArtDot(std::uint32_t x, std::uint32_t y) {
    return kArt[y][x] == '#';
}

TEST(NvGraphicsEncoder, TenByThreeGolden) {
    const std::vector<Bytes> expected = {
        {0x1D, 0x28, 0x4C, 0x11, 0x00, 0x30, 0x43, 0x30, 0x41, 0x31, 0x01, 0x0A, 0x00, 0x03, 0x00,
         0x31},
        {0xC0, 0x40},
        {0x20, 0x00},
        {0xAA, 0xC0},
    };
    for (const test::Palette& palette0 : {test::kBlack, test::kWhite}) {
        const MonoBmp picture = Picture(test::BuildPictureBmp(10, 3, ArtDot, palette0));
        RecordingSink sink;
        ASSERT_EQ(WriteGraphicsDefinition(sink, "A1", picture), EncodeResult::Ok);
        EXPECT_EQ(sink.writes, expected) << "palette entry 0 blue " << int{palette0[0]};
    }
}

struct FormCase {
    const char* name;
    std::uint32_t width, height;
    Bytes header; // as written by hand from the command's layout
};

void PrintTo(const FormCase& c, std::ostream* os) {
    *os << c.name;
}

class GraphicsForm : public testing::TestWithParam<FormCase> {};

// No picture within the limits gives 11 + k of exactly 65535 or 65536 (65524 and 65525 have no
// factor pair of at most 1024 bytes by 2304 rows), so the cases are the nearest on either side.
TEST_P(GraphicsForm, HeaderThenRowsFromTheTop) {
    const FormCase& c = GetParam();
    const MonoBmp picture = Picture(test::BuildPictureBmp(c.width, c.height, Pattern));
    RecordingSink sink;
    ASSERT_EQ(WriteGraphicsDefinition(sink, "Zz", picture), EncodeResult::Ok);

    const std::uint32_t b = (c.width + 7) / 8;
    ASSERT_EQ(sink.writes.size(), 1u + c.height);
    EXPECT_EQ(sink.writes[0], c.header);
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

INSTANTIATE_TEST_SUITE_P(
    Boundary, GraphicsForm,
    testing::Values(
        // k = 1, 11 + k = 12.
        FormCase{"one_dot",
                 1,
                 1,
                 {0x1D, 0x28, 0x4C, 0x0C, 0x00, 0x30, 0x43, 0x30, 0x5A, 0x7A, 0x01, 0x01, 0x00,
                  0x01, 0x00, 0x31}},
        // k = 181 * 362 = 65522, 11 + k = 65533 = FFFD: the longest reachable GS ( L.
        FormCase{"short_form_longest",
                 1441,
                 362,
                 {0x1D, 0x28, 0x4C, 0xFD, 0xFF, 0x30, 0x43, 0x30, 0x5A, 0x7A, 0x01, 0xA1, 0x05,
                  0x6A, 0x01, 0x31}},
        // k = 67 * 978 = 65526, 11 + k = 65537 = 00010001: the shortest reachable GS 8 L.
        FormCase{"long_form_shortest",
                 530,
                 978,
                 {0x1D, 0x38, 0x4C, 0x01, 0x00, 0x01, 0x00, 0x30, 0x43, 0x30, 0x5A, 0x7A, 0x01,
                  0x12, 0x02, 0xD2, 0x03, 0x31}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NvGraphicsEncoder, LongFormFromElevenPlusKOf65536) {
    struct Case {
        std::uint64_t dataBytes;
        bool longForm;
    };
    for (const Case c : {Case{1, false}, Case{65522, false}, Case{65524, false}, Case{65525, true},
                         Case{65526, true}, Case{2359296, true}}) {
        EXPECT_EQ(UsesLongGraphicsForm(c.dataBytes), c.longForm) << c.dataBytes;
    }
}

TEST(NvGraphicsEncoder, LargestPictureGoesThroughTheLongForm) {
    const MonoBmp picture = BlankPicture(kGraphicsMaxWidth, kGraphicsMaxHeight);
    RecordingSink sink;
    ASSERT_EQ(WriteGraphicsDefinition(sink, "~ ", picture), EncodeResult::Ok);
    // 11 + 1024 * 2304 = 2359307 = 0024000B.
    EXPECT_EQ(sink.writes[0], (Bytes{0x1D, 0x38, 0x4C, 0x0B, 0x00, 0x24, 0x00, 0x30, 0x43, 0x30,
                                     0x7E, 0x20, 0x01, 0x00, 0x20, 0x00, 0x09, 0x31}));
    EXPECT_EQ(sink.writes.size(), 1u + kGraphicsMaxHeight);
    EXPECT_EQ(sink.Joined().size(), 18u + 1024u * 2304u);
}

TEST(NvGraphicsEncoder, GeometryBeyondTheLimitsIsRefusedUnwritten) {
    struct Case {
        std::uint32_t width, height;
    };
    for (const Case c : {Case{8193, 1}, Case{1, 2305}, Case{8193, 2305}}) {
        const MonoBmp picture = BlankPicture(c.width, c.height);
        EXPECT_EQ(CheckGraphicsGeometry(picture.Info()), BmpCheck::BadGeometry);
        RecordingSink sink;
        EXPECT_EQ(WriteGraphicsDefinition(sink, "01", picture), EncodeResult::TooLarge)
            << c.width << "x" << c.height;
        EXPECT_EQ(sink.Attempts(), 0u) << c.width << "x" << c.height;
    }
    RecordingSink sink;
    EXPECT_EQ(WriteGraphicsDefinition(sink, "01", MonoBmp{}), EncodeResult::TooLarge);
    EXPECT_EQ(sink.Attempts(), 0u);
}

TEST(NvGraphicsEncoder, GeometryCheckRefusesAPictureOnItsHeader) {
    test::TempDir dir;
    const auto tall = dir.Write("tall.bmp", test::BuildPictureBmp(8, 2305, Pattern));
    MonoBmp picture;
    EXPECT_EQ(picture.Read(tall.c_str(), CheckGraphicsGeometry), BmpCheck::BadGeometry);
    const auto edge = dir.Write("edge.bmp", test::BuildPictureBmp(16, 2304, Pattern));
    EXPECT_EQ(picture.Read(edge.c_str(), CheckGraphicsGeometry), BmpCheck::Ok);
}

TEST(NvGraphicsEncoder, DataBytesAreWholeRowBytesTimesHeight) {
    struct Case {
        std::uint32_t width, height;
        std::uint64_t bytes;
    };
    for (const Case c : {Case{1, 1, 1}, Case{8, 1, 1}, Case{9, 1, 2}, Case{10, 3, 6},
                         Case{530, 978, 65526}, Case{8192, 2304, 2359296}}) {
        EXPECT_EQ(GraphicsDataBytes(c.width, c.height), c.bytes) << c.width << "x" << c.height;
    }
}

const std::string kBadKeys[] = {
    "",
    "A",
    "ABC",
    std::string("\x1F"
                "A"),
    std::string("A\x7F"),
    std::string("\0A", 2),
    "\xC3\xA9", // one character in UTF-8, two bytes above 0x7E
};
const std::string kGoodKeys[] = {"01", "  ", "~~", "Ab", " ~"};

TEST(NvGraphicsKey, TwoCharactersFromSpaceToTilde) {
    for (const std::string& key : kGoodKeys) {
        EXPECT_TRUE(IsValidGraphicsKey(key)) << key;
    }
    for (const std::string& key : kBadKeys) {
        EXPECT_FALSE(IsValidGraphicsKey(key)) << testing::PrintToString(key);
    }
}

TEST(NvGraphicsKey, BadKeyIsRefusedUnwrittenByEveryCommand) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(10, 3, ArtDot));
    for (const std::string& key : kBadKeys) {
        RecordingSink sink;
        EXPECT_EQ(WriteGraphicsDefinition(sink, key, picture), EncodeResult::BadParameter);
        EXPECT_EQ(WriteGraphicsDelete(sink, key), EncodeResult::BadParameter);
        EXPECT_EQ(WriteGraphicsPrint(sink, key, 1), EncodeResult::BadParameter);
        EXPECT_EQ(sink.Attempts(), 0u) << testing::PrintToString(key);
    }
}

TEST(NvGraphicsCommands, DeleteKeyGolden) {
    RecordingSink sink;
    ASSERT_EQ(WriteGraphicsDelete(sink, "K7"), EncodeResult::Ok);
    EXPECT_EQ(sink.writes,
              (std::vector<Bytes>{{0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, 0x4B, 0x37}}));
}

TEST(NvGraphicsCommands, PrintGoldenAtEachScale) {
    for (const std::uint8_t scale : {1, 2}) {
        RecordingSink sink;
        ASSERT_EQ(WriteGraphicsPrint(sink, "L~", scale), EncodeResult::Ok);
        EXPECT_EQ(sink.writes, (std::vector<Bytes>{{0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x4C,
                                                    0x7E, scale, scale}}))
            << int{scale};
    }
    for (const std::uint8_t scale : {0, 3, 255}) {
        RecordingSink sink;
        EXPECT_EQ(WriteGraphicsPrint(sink, "L~", scale), EncodeResult::BadParameter) << int{scale};
        EXPECT_EQ(sink.Attempts(), 0u);
    }
}

TEST(NvGraphicsCommands, StopAtTheFirstFailedWrite) {
    const MonoBmp picture = Picture(test::BuildPictureBmp(10, 3, ArtDot));
    for (const std::size_t failing : {0u, 1u, 3u}) {
        RecordingSink sink(failing);
        EXPECT_EQ(WriteGraphicsDefinition(sink, "01", picture), EncodeResult::WriteFailed)
            << failing;
        EXPECT_EQ(sink.Attempts(), failing + 1) << failing;
    }
    RecordingSink deleteFails(0);
    EXPECT_EQ(WriteGraphicsDelete(deleteFails, "01"), EncodeResult::WriteFailed);
    RecordingSink printFails(0);
    EXPECT_EQ(WriteGraphicsPrint(printFails, "01", 2), EncodeResult::WriteFailed);
}

} // namespace
} // namespace quillet
