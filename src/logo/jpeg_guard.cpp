#include "logo/jpeg_guard.h"

#include <cstddef>

namespace quillet::logo {
namespace {

constexpr std::uint8_t kFill = 0xFF;
constexpr std::uint8_t kNoMarker = 0xFF; // stb_image's "none": never a marker's code
constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDqt = 0xDB;
constexpr std::uint8_t kDnl = 0xDC;
constexpr std::uint8_t kDri = 0xDD;
constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kCom = 0xFE;
constexpr std::size_t kMaxCodes = 256;
// Codes this long or shorter are decoded through stb_image's lookup table, whose byte entries
// keep 255 for "no short code here".
constexpr std::size_t kFastBits = 9;

bool IsFrame(std::uint8_t m) {
    return m == 0xC0 || m == 0xC1 || m == 0xC2;
}
bool IsRestart(std::uint8_t m) {
    return m >= 0xD0 && m <= 0xD7;
}
bool IsAppOrComment(std::uint8_t m) {
    return (m >= 0xE0 && m <= 0xEF) || m == kCom;
}

// The file as stb_image reads it: a byte past the end reads as 0 and moves nothing.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> file) : file_(file) {}
    bool AtEnd() const { return at_ >= file_.size(); }
    std::uint8_t Get8() { return AtEnd() ? 0 : file_[at_++]; }
    std::size_t Get16() {
        const std::size_t high = Get8();
        return high << 8 | Get8();
    }
    void Skip(std::size_t n) { at_ = n < file_.size() - at_ ? at_ + n : file_.size(); }

    // stb__get_marker: a marker is 0xFF, any fill bytes, its code; anything else is none.
    std::uint8_t Marker() {
        if (Get8() != kFill) {
            return kNoMarker;
        }
        std::uint8_t code = Get8();
        while (code == kFill) {
            code = Get8();
        }
        return code;
    }

    // The marker that ends a scan's entropy-coded data, as stb_image's bit reader meets it:
    // 0xFF 0x00 is a data byte, fill bytes run into the marker, restart markers stay in the scan.
    // A decode that stops short of that marker, or at a restart it cannot pass, fails.
    std::uint8_t MarkerAfterScan() {
        while (!AtEnd()) {
            if (Get8() != kFill) {
                continue;
            }
            std::uint8_t code = Get8();
            while (code == kFill) {
                code = Get8();
            }
            if (code != 0 && !IsRestart(code)) {
                return code;
            }
        }
        return kNoMarker;
    }

private:
    std::span<const std::uint8_t> file_;
    std::size_t at_ = 0;
};

enum class Walk { On, Stop, Refuse };

// One DHT segment, table by table as stb_image reads it: while its length has bytes left, a
// table, even one running past the length. A table stb_image cannot build safely, or tables that
// do not fill the length exactly (stb_image refuses those only after building them), refuse.
Walk HuffmanTables(Reader& in) {
    long left = static_cast<long>(in.Get16()) - 2;
    while (left > 0) {
        const std::uint8_t kind = in.Get8();
        if (kind >> 4 > 1 || (kind & 15) > 3) {
            return Walk::Stop; // stb_image: "bad DHT header", before building anything
        }
        std::size_t codes = 0;
        std::size_t longest = 0;
        for (std::size_t length = 1; length <= 16; ++length) {
            const std::uint8_t count = in.Get8();
            codes += count;
            longest = count > 0 ? length : longest;
        }
        // Over 256 codes overrun its arrays; with exactly 256 none longer than kFastBits, code
        // number 255 would read as "no short code" and be decoded from the wrong bits.
        if (codes > kMaxCodes || (codes == kMaxCodes && longest <= kFastBits)) {
            return Walk::Refuse;
        }
        in.Skip(codes);
        left -= static_cast<long>(17 + codes);
    }
    return left == 0 ? Walk::On : Walk::Refuse;
}

// A segment other than a frame or scan, as stb_image's marker handler takes it. Stop where
// stb_image fails: nothing after that is read.
Walk Segment(Reader& in, std::uint8_t marker) {
    if (marker == kDht) {
        return HuffmanTables(in);
    }
    if (marker == kDqt) {
        long left = static_cast<long>(in.Get16()) - 2;
        while (left > 0) {
            const std::uint8_t kind = in.Get8();
            if (kind >> 4 > 1 || (kind & 15) > 3) {
                return Walk::Stop;
            }
            const std::size_t bytes = kind >> 4 ? 128 : 64;
            in.Skip(bytes);
            left -= static_cast<long>(1 + bytes);
        }
        return left == 0 ? Walk::On : Walk::Stop;
    }
    if (marker == kDri) {
        if (in.Get16() != 4) {
            return Walk::Stop;
        }
        in.Skip(2);
        return Walk::On;
    }
    if (IsAppOrComment(marker)) {
        const std::size_t length = in.Get16();
        if (length < 2) {
            return Walk::Stop;
        }
        in.Skip(length - 2); // profiles, EXIF, comments: data, whatever bytes they hold
        return Walk::On;
    }
    return Walk::Stop; // stb_image: "unknown marker", or "expected marker" for none
}

// A frame or scan header, skipped by its length (stb_image reads exactly that much or fails).
void SkipByLength(Reader& in) {
    const std::size_t length = in.Get16();
    in.Skip(length >= 2 ? length - 2 : 0);
}

} // namespace

bool JpegHuffmanTablesFit(std::span<const std::uint8_t> file) {
    // The walk stb_image makes, header first (its info and load both read it): after SOI every
    // marker's segment by its length, junk between segments skipped up to the next 0xFF, up to
    // the frame header. Then segments with no junk between them, a scan's data up to the marker
    // that ends it, until EOI. Only the DHT segments met on that walk are checked.
    Reader in(file);
    if (in.Marker() != kSoi) {
        return true; // not a JPEG to stb_image
    }
    std::uint8_t marker = in.Marker();
    while (!IsFrame(marker)) {
        switch (Segment(in, marker)) {
        case Walk::On:
            break;
        case Walk::Stop:
            return true;
        case Walk::Refuse:
            return false;
        }
        marker = in.Marker();
        while (marker == kNoMarker) {
            if (in.AtEnd()) {
                return true;
            }
            marker = in.Marker();
        }
    }
    SkipByLength(in);
    // A scan ends at a marker its data reader already took; that one comes next.
    std::uint8_t taken = kNoMarker;
    auto next = [&] {
        const std::uint8_t m = taken != kNoMarker ? taken : in.Marker();
        taken = kNoMarker;
        return m;
    };
    for (marker = next(); marker != kEoi; marker = next()) {
        if (marker == kSos) {
            SkipByLength(in);
            taken = in.MarkerAfterScan();
            if (taken == kNoMarker) {
                return true;
            }
            continue;
        }
        if (marker == kDnl) {
            in.Skip(4);
            continue;
        }
        switch (Segment(in, marker)) {
        case Walk::On:
            break;
        case Walk::Stop:
            return true;
        case Walk::Refuse:
            return false;
        }
    }
    return true;
}

} // namespace quillet::logo
