#include "printer/nv_graphics_answers.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quillet {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An identifier byte followed by text.
Bytes Answer(std::uint8_t identifier, const std::string& text) {
    Bytes bytes{identifier};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

constexpr std::uint64_t kUntouched = 77;

struct CapacityCase {
    Bytes answer;
    GraphicsCapacityKind kind;
    GraphicsAnswer result;
    std::uint64_t bytes; // kUntouched unless Ok
};

TEST(NvGraphicsAnswers, CapacityIsDecimalDigits) {
    constexpr auto kTotal = GraphicsCapacityKind::Total;
    constexpr auto kLeft = GraphicsCapacityKind::Remaining;
    const CapacityCase cases[] = {
        {Answer(0x31, "123"), kLeft, GraphicsAnswer::Ok, 123},
        {Answer(0x30, "0"), kTotal, GraphicsAnswer::Ok, 0},
        {Answer(0x30, "000262144"), kTotal, GraphicsAnswer::Ok, 262144},
        {Answer(0x30, "18446744073709551615"), kTotal, GraphicsAnswer::Ok,
         std::numeric_limits<std::uint64_t>::max()},
        {Answer(0x30, "18446744073709551616"), kTotal, GraphicsAnswer::Overflow, kUntouched},
        {Answer(0x31, "99999999999999999999"), kLeft, GraphicsAnswer::Overflow, kUntouched},
        {Answer(0x31, ""), kLeft, GraphicsAnswer::NoDigits, kUntouched},
        {Answer(0x31, "12 3"), kLeft, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x31, "-1"), kLeft, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x31, "+1"), kLeft, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x30, "1a"), kTotal, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x30, "9:"), kTotal, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x30, "/"), kTotal, GraphicsAnswer::NotDigits, kUntouched},
        {Answer(0x30, "5"), kLeft, GraphicsAnswer::WrongIdentifier, kUntouched},
        {Answer(0x31, "5"), kTotal, GraphicsAnswer::WrongIdentifier, kUntouched},
        {Answer(0x72, "5"), kTotal, GraphicsAnswer::WrongIdentifier, kUntouched},
        {Bytes{}, kTotal, GraphicsAnswer::WrongIdentifier, kUntouched},
    };
    for (const CapacityCase& c : cases) {
        std::uint64_t bytes = kUntouched;
        EXPECT_EQ(ParseGraphicsCapacity(c.answer, c.kind, bytes), c.result)
            << testing::PrintToString(c.answer);
        EXPECT_EQ(bytes, c.bytes) << testing::PrintToString(c.answer);
    }
}

struct KeyBlockCase {
    Bytes answer;
    GraphicsAnswer result;
    std::vector<std::string> keys;
    bool moreFollows;
};

TEST(NvGraphicsAnswers, KeyBlockIsStatusThenKeyPairs) {
    const KeyBlockCase cases[] = {
        {Answer(0x72, "@"), GraphicsAnswer::Ok, {}, false},
        {Answer(0x72, "@01Ab~ "), GraphicsAnswer::Ok, {"01", "Ab", "~ "}, false},
        {Answer(0x72, "A0102"), GraphicsAnswer::Ok, {"01", "02"}, true},
        {Answer(0x72, "A"), GraphicsAnswer::Ok, {}, true},
        {Answer(0x72, "@0"), GraphicsAnswer::OddLength, {"unset"}, false},
        {Answer(0x72, "A01X"), GraphicsAnswer::OddLength, {"unset"}, false},
        {Answer(0x72, "B01"), GraphicsAnswer::BadStatus, {"unset"}, false},
        {Answer(0x72, "0102"), GraphicsAnswer::BadStatus, {"unset"}, false},
        {Answer(0x72, ""), GraphicsAnswer::BadStatus, {"unset"}, false},
        {Answer(0x72, "@0\x1F"), GraphicsAnswer::BadKey, {"unset"}, false},
        {Answer(0x72, "@01\x7F"
                      "A"),
         GraphicsAnswer::BadKey,
         {"unset"},
         false},
        {Answer(0x31, "@01"), GraphicsAnswer::WrongIdentifier, {"unset"}, false},
        {Bytes{}, GraphicsAnswer::WrongIdentifier, {"unset"}, false},
    };
    for (const KeyBlockCase& c : cases) {
        GraphicsKeyBlock block{{"unset"}, false};
        EXPECT_EQ(ParseGraphicsKeyBlock(c.answer, block), c.result)
            << testing::PrintToString(c.answer);
        EXPECT_EQ(block.keys, c.keys) << testing::PrintToString(c.answer);
        EXPECT_EQ(block.moreFollows, c.moreFollows) << testing::PrintToString(c.answer);
    }
}

} // namespace
} // namespace quillet
