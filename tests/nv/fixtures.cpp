#include "fixtures.h"

#include "bmp_builder.h"

#include <fstream>

namespace quillet::nv::test {
namespace {

Dots Pattern(std::uint32_t width, std::uint32_t height,
             const std::function<bool(std::uint32_t, std::uint32_t)>& dot) {
    Dots dots{width, height, {}};
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            dots.dots.push_back(dot(x, y) ? 1 : 0);
    return dots;
}

} // namespace

Bytes BmpOf(const Dots& dots) {
    return quillet::test::BuildPictureBmp(
        dots.width, dots.height, [&](std::uint32_t x, std::uint32_t y) { return dots.At(x, y); });
}

std::vector<Fixture> MakeFixtures(const fs::path& dir, std::uint32_t colourWidth) {
    std::vector<Fixture> fixtures;
    const Dots odd = Pattern(100, 37, [](std::uint32_t x, std::uint32_t y) {
        return (x > 3 && x < 40 && y > 2 && y < 30) || (x + y) % 7 == 0;
    });
    const Dots corner = Pattern(64, 16, [](std::uint32_t x, std::uint32_t y) { return x < y * 2; });
    const Dots bars = Pattern(
        203, 9, [](std::uint32_t x, std::uint32_t y) { return x % 5 == 0 || y == 0 || x == 202; });
    int n = 0;
    for (const Dots* d : {&odd, &corner, &bars}) {
        const fs::path file = dir / ("logo" + std::to_string(++n) + ".bmp");
        const Bytes bmp = BmpOf(*d);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp.data()),
                   static_cast<std::streamsize>(bmp.size()));
        fixtures.push_back({file, *d});
    }
    const fs::path colour = dir / "colour.png";
    const fs::path expected = dir / "colour-expected.bmp";
    Shell("convert -size 300x100 xc:none -fill 'rgba(200,40,40,0.8)' -draw 'circle 50,50 50,5' "
          "-fill orange -draw 'rectangle 110,20 290,80' -fill navy -draw 'polygon 130,25 280,40 "
          "140,75' '" +
          colour.string() + "'");
    Shell(std::string(QUILLET_LOGO_PROGRAM) + " '" + colour.string() + "' -o '" +
          expected.string() + "' --width " + std::to_string(colourWidth) + " >/dev/null");
    fixtures.push_back({colour, ReadDots(expected)});
    return fixtures;
}

} // namespace quillet::nv::test
