// Real-time commands found in received bytes, however the bytes are split.
#include "realtime_scan.h"

#include <gtest/gtest.h>

#include <vector>

namespace sim {
namespace {

TEST(RealtimeScan, FindsEachCommandOnceWhereverItStands) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::vector<std::pair<std::uint64_t, std::string>> want;
    };
    const Case cases[] = {
        {{0x10, 0x04, 0x01}, {{0, "DLE EOT"}}},
        {{0xFF, 0x10, 0x04, 0x04, 0x10, 0x05, 0x02, 0x10, 0x14, 0x08},
         {{1, "DLE EOT"}, {4, "DLE ENQ"}, {7, "DLE DC4"}}},
        {{0x10, 0x04, 0x05, 0x10, 0x05, 0x03, 0x10, 0x14, 0x09}, {}},
        // A 10 that ends a false start begins the next command.
        {{0x10, 0x04, 0x10, 0x04, 0x02}, {{2, "DLE EOT"}}},
        {{0x10, 0x10, 0x04, 0x03}, {{1, "DLE EOT"}}},
        // The bytes of a found command are not read again.
        {{0x10, 0x04, 0x01, 0x04, 0x01}, {{0, "DLE EOT"}}},
    };
    for (const Case& c : cases) {
        RealtimeScanner s;
        std::vector<std::pair<std::uint64_t, std::string>> got;
        for (std::size_t i = 0; i < c.bytes.size(); ++i)
            if (auto r = s.take(c.bytes[i], 100 + i))
                got.emplace_back(r->offset - 100, r->name);
        EXPECT_EQ(got, c.want) << ::testing::PrintToString(c.bytes);
    }
}

} // namespace
} // namespace sim
