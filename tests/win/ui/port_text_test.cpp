// The connection panel's text rules: port and speed numbers, registry data as list text.
#include "ui/PortText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct NumberCase {
    const char* text;
    int port;  // PortNumberFromText
    int plain; // NumberFromText
};

class PortNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(PortNumbers, ReadAsAtoiAfterRemovingCom) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(PortNumberFromText(c.text), c.port) << c.text;
    EXPECT_EQ(NumberFromText(c.text), c.plain) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, PortNumbers,
                         ::testing::Values(NumberCase{"COM3", 3, 0}, NumberCase{"COM12", 12, 0},
                                           NumberCase{"USB", 0, 0}, NumberCase{"", 0, 0},
                                           NumberCase{"115200", 115200, 115200},
                                           NumberCase{"  9600", 9600, 9600},
                                           NumberCase{"COM7x2", 7, 0}, NumberCase{"COMCOM5", 5, 0},
                                           NumberCase{"com4", 0, 0}, NumberCase{"COM-2", -2, 0},
                                           NumberCase{"MyCOM8", 0, 0},
                                           NumberCase{"COM99999999999", INT_MAX, 0},
                                           NumberCase{"-99999999999", INT_MIN, INT_MIN}));

struct DataCase {
    const char* data;
    std::size_t size;
    const char* text;
};

class PortData : public ::testing::TestWithParam<DataCase> {};

TEST_P(PortData, StopsAtTheZeroOrAfterNineteenCharacters) {
    const DataCase& c = GetParam();
    EXPECT_EQ(PortTextFromData(c.data, c.size), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortData,
    ::testing::Values(DataCase{"COM3\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20, "COM3"},
                      DataCase{"", 1, ""},
                      DataCase{"ABCDEFGHIJKLMNOPQRS", 20, "ABCDEFGHIJKLMNOPQRS"},
                      // Twenty characters filling the buffer, no terminator inside it.
                      DataCase{"ABCDEFGHIJKLMNOPQRST", 20, "ABCDEFGHIJKLMNOPQRS"},
                      DataCase{"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 26, "ABCDEFGHIJKLMNOPQRS"},
                      DataCase{"COM5\0COM6", 9, "COM5"}));

} // namespace
