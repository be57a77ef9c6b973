// The JPEG guard walks the segments as stb_image does: a Huffman table it would build badly is
// refused wherever stb_image meets it, bytes that only look like one are data.
#include "../unit/bmp_builder.h"
#include "logo/jpeg_guard.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet::logo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Segment(std::uint8_t marker, const Bytes& body) {
    const std::size_t length = body.size() + 2;
    Bytes out{0xFF, marker, static_cast<std::uint8_t>(length >> 8),
              static_cast<std::uint8_t>(length)};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// One DC table with `codes` codes of `bits` bits (at most 255 a length, spread over lengths).
Bytes HuffmanTable(std::size_t codes, std::size_t bits) {
    Bytes table{0x00};
    Bytes counts(16, 0);
    for (std::size_t left = codes, length = bits; left > 0; ++length) {
        counts[length - 1] = static_cast<std::uint8_t>(std::min<std::size_t>(left, 255));
        left -= counts[length - 1];
    }
    table.insert(table.end(), counts.begin(), counts.end());
    table.insert(table.end(), codes, 0x01);
    return table;
}

const Bytes kFrame = Segment(0xC0, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});
const Bytes kScan = Segment(0xDA, {1, 1, 0x00, 0, 63, 0});

Bytes Jpeg(std::initializer_list<Bytes> parts) {
    Bytes file{0xFF, 0xD8};
    for (const Bytes& part : parts) {
        file.insert(file.end(), part.begin(), part.end());
    }
    return file;
}

struct GuardCase {
    const char* name;
    Bytes file;
    bool fits;
};

void PrintTo(const GuardCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kTooMany = Segment(0xC4, HuffmanTable(300, 9));
const Bytes kGood = Segment(0xC4, HuffmanTable(12, 4));
const Bytes kEntropy{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56};
const Bytes kEoi{0xFF, 0xD9};

// Data segments holding kTooMany's bytes.
Bytes Holding(std::uint8_t marker) {
    return Segment(marker, kTooMany);
}

const GuardCase kGuardCases[] = {
    {"good_table", Jpeg({kGood, kFrame, kScan, kEntropy, kEoi}), true},
    {"too_many_before_frame", Jpeg({kTooMany, kFrame, kScan, kEntropy, kEoi}), false},
    {"too_many_between_scans", Jpeg({kFrame, kScan, kEntropy, kTooMany, kScan, kEoi}), false},
    {"too_many_after_fill_bytes", Jpeg({Bytes{0xFF, 0xFF}, kTooMany, kFrame, kEoi}), false},
    {"too_many_after_junk", Jpeg({kGood, Bytes{0x00, 0x17}, kTooMany, kFrame, kEoi}), false},
    {"256_short_codes", Jpeg({Segment(0xC4, HuffmanTable(256, 8)), kFrame, kEoi}), false},
    {"256_codes_some_long", Jpeg({Segment(0xC4, HuffmanTable(256, 9)), kFrame, kEoi}), true},
    {"length_past_its_tables", Jpeg({Segment(0xC4, HuffmanTable(12, 4) + Bytes{0}), kFrame}),
     false},
    {"ending_a_scan_past_a_restart", Jpeg({kFrame, kScan, kEntropy, kTooMany, kEoi}), false},
    {"in_app2", Jpeg({Holding(0xE2), kFrame, kScan, kEntropy, kEoi}), true},
    {"in_app1_after_frame", Jpeg({kFrame, Holding(0xE1), kScan, kEntropy, kEoi}), true},
    {"in_comment", Jpeg({Holding(0xFE), kFrame, kScan, kEntropy, kEoi}), true},
    {"stuffed_in_scan", Jpeg({kFrame, kScan, Bytes{0xFF, 0x00, 0xC4, 0x01, 0x13}, kEoi}), true},
    {"after_eoi", Jpeg({kFrame, kScan, kEntropy, kEoi, kTooMany}), true},
    {"not_a_jpeg", Bytes{0x89, 'P', 'N', 'G'} + kTooMany, true},
};

class JpegGuard : public testing::TestWithParam<GuardCase> {};

TEST_P(JpegGuard, ChecksTheTablesStbImageBuilds) {
    EXPECT_EQ(JpegHuffmanTablesFit(GetParam().file), GetParam().fits);
}

INSTANTIATE_TEST_SUITE_P(Files, JpegGuard, testing::ValuesIn(kGuardCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillet::logo
