#include "logo/jpeg_guard.h"

#include <cstddef>

namespace quillet::logo {
namespace {

constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kSos = 0xDA;

bool StandAlone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

bool TablesFit(std::span<const std::uint8_t> segment) {
    std::size_t at = 0;
    while (at < segment.size()) {
        if (segment.size() - at < 17) {
            return false;
        }
        std::size_t codes = 0;
        for (std::size_t i = 1; i <= 16; ++i) {
            codes += segment[at + i];
        }
        if (codes > 256 || segment.size() - at - 17 < codes) {
            return false;
        }
        at += 17 + codes;
    }
    return true;
}

} // namespace

bool JpegHuffmanTablesFit(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) {
        return true;
    }
    std::size_t at = 2;
    bool inScan = false;
    while (at + 1 < file.size()) {
        if (file[at] != 0xFF) {
            ++at; // entropy-coded data, or junk stb_image skips as well
            continue;
        }
        const std::uint8_t marker = file[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0x00 || (inScan && marker >= 0xD0 && marker <= 0xD7) || StandAlone(marker)) {
            at += 2;
            continue;
        }
        if (at + 3 >= file.size()) {
            return true;
        }
        const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
        if (length < 2) {
            return true; // stb_image refuses it itself
        }
        const std::size_t end = at + 2 + length < file.size() ? at + 2 + length : file.size();
        if (marker == kDht && !TablesFit(file.subspan(at + 4, end - (at + 4)))) {
            return false;
        }
        inScan = marker == kSos;
        at = end;
    }
    return true;
}

} // namespace quillet::logo
