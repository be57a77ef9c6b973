#pragma once

#include "image/mono_bmp_header.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillet::test {

using Bytes = std::vector<std::uint8_t>;
using Palette = std::array<std::uint8_t, 4>;

inline constexpr Palette kBlack = {0x00, 0x00, 0x00, 0x00};
inline constexpr Palette kWhite = {0xFF, 0xFF, 0xFF, 0x00};
inline constexpr Palette kRed = {0x00, 0x00, 0xFF, 0x00};

// A BMP file laid out field by field, so that a test can bend any one of them.
struct BmpFields {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Palette palette0 = kBlack;
    Palette palette1 = kWhite;
    std::uint16_t bitsPerPixel = 1;
    std::uint32_t dataOffset = 62;
    std::uint32_t infoHeaderSize = 40;
    std::vector<Bytes> fileRows;            // bottom row first, each a whole stride
    std::optional<std::uint32_t> sizeField; // default: 62 plus the rows
    std::optional<std::size_t> cutTo;       // keep only this many bytes of the file
};

Bytes BuildBmp(const BmpFields& fields);

// Runs `command` through the shell; its standard output, or what it managed.
std::string CommandOutput(const std::string& command);

// For reading pictures whatever their geometry: the reader's own tests.
inline BmpCheck AnyGeometry(const MonoBmpInfo&) {
    return BmpCheck::Ok;
}

// A well-formed file for a picture given dot by dot (dot(x, y), y = 0 at the top). The stride
// is the width rounded up to 32 bits, and the padding bits are stored as 1 so that only the mask
// keeps them out of the picture. A black-first palette stores dots as 0 bits.
Bytes BuildPictureBmp(std::uint32_t width, std::uint32_t height,
                      const std::function<bool(std::uint32_t, std::uint32_t)>& dot,
                      const Palette& palette0 = kBlack);

// A private directory under the system temp directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path Write(const std::string& name, const Bytes& bytes) const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace quillet::test
