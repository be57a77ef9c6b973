#include "logo/jpeg_guard.h"

#include <algorithm>
#include <cstddef>

namespace quillet::logo {
namespace {

constexpr std::uint8_t kDht = 0xC4;
constexpr std::size_t kMaxCodes = 256;
// Codes this long or shorter are decoded through stb_image's lookup table, whose byte entries
// keep 255 for "no short code here".
constexpr std::size_t kFastBits = 9;

bool TablesFit(std::span<const std::uint8_t> segment) {
    std::size_t at = 0;
    while (at < segment.size()) {
        if (segment.size() - at < 17) {
            return false;
        }
        std::size_t codes = 0;
        std::size_t longest = 0;
        for (std::size_t length = 1; length <= 16; ++length) {
            codes += segment[at + length];
            longest = segment[at + length] > 0 ? length : longest;
        }
        if (codes > kMaxCodes || segment.size() - at - 17 < codes) {
            return false;
        }
        // Code number 255 with a lookup entry would read as "no short code" and be decoded
        // from the wrong bits.
        if (codes == kMaxCodes && longest <= kFastBits) {
            return false;
        }
        at += 17 + codes;
    }
    return true;
}

} // namespace

bool JpegHuffmanTablesFit(std::span<const std::uint8_t> file) {
    // stb_image takes a file for a JPEG when it opens with 0xFF, skips fill bytes and junk
    // between segments, and acts on any DHT marker it meets. Every FF C4 anywhere is checked,
    // which also covers segments stb_image would reach by a path this scan does not follow.
    if (file.empty() || file[0] != 0xFF) {
        return true;
    }
    for (std::size_t at = 0; at + 1 < file.size(); ++at) {
        if (file[at] != 0xFF || file[at + 1] != kDht) {
            continue;
        }
        if (at + 3 >= file.size()) {
            return true;
        }
        const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
        const std::size_t start = at + 4;
        const std::size_t end = std::min(file.size(), at + 2 + std::max<std::size_t>(length, 2));
        if (!TablesFit(file.subspan(start, end > start ? end - start : 0))) {
            return false;
        }
    }
    return true;
}

} // namespace quillet::logo
