// The pictures the tests store: small, asymmetric, both palette orders, and a colour picture.
#pragma once

#include "nv_test_support.h"

namespace quillet::nv::test {

struct Fixture {
    fs::path file;
    Dots dots; // what the printer must print
};

// Three 1-bit BMPs and a colour PNG (converted on the way, at `colourWidth` dots), in `dir`.
// The colour picture's dots are what quillet-logo makes of it with the same width.
std::vector<Fixture> MakeFixtures(const fs::path& dir, std::uint32_t colourWidth = 160);

// A 1-bit BMP of the given dots, black-first palette.
Bytes BmpOf(const Dots& dots);

} // namespace quillet::nv::test
