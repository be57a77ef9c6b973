#include "fuzz_entries.h"

#include "image/mono_bmp.h"
#include "printer/nv_image_encoder.h"
#include "printer/raster_encoder.h"
#include "printer/setting_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace quillet::fuzz {
namespace {

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #cond);                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

using Bytes = std::vector<std::uint8_t>;

// Rows to look at: all of a small picture, an even sample of a tall one, so that headers claiming
// 65535 rows do not slow the fuzzer to a crawl.
std::uint32_t RowStep(const MonoBmpInfo& info) {
    return info.height / 1024u + 1u;
}

bool Dot(const MonoBmp& picture, std::uint32_t x, std::uint32_t y) {
    return (picture.Row(y)[x / 8] & (0x80 >> (x % 8))) != 0;
}

void CheckRows(const MonoBmp& picture) {
    const MonoBmpInfo& info = picture.Info();
    FUZZ_CHECK(info.height > 0 && info.width > 0);
    FUZZ_CHECK(info.rowBytes == (info.width + 7u) / 8u);
    for (std::uint32_t y = 0; y < info.height; y += RowStep(info)) {
        const auto row = picture.Row(y);
        FUZZ_CHECK(row.size() == info.rowBytes);
        for (std::uint32_t x = info.width; x < 8 * info.rowBytes; ++x) {
            FUZZ_CHECK(!Dot(picture, x, y));
        }
    }
}

// Rows are bounded here so that headers claiming huge pictures do not slow the fuzzer down; the
// encoders' own refusals still see pictures too tall or too wide for them.
BmpCheck FuzzGeometry(const MonoBmpInfo& info) {
    return std::uint64_t{info.rowBytes} * info.height <= (4u << 20) ? BmpCheck::Ok
                                                                    : BmpCheck::BadGeometry;
}

// Every pixel byte as the layout defines it: at 62 + S * r + c, inverted by the palette, the
// last one masked, blank past the end of the data.
void CheckAgainstLayout(const MonoBmp& picture, const std::uint8_t* data, std::size_t size) {
    const MonoBmpInfo& info = picture.Info();
    for (std::uint32_t y = 0; y < info.height; y += RowStep(info)) {
        const auto row = picture.Row(y);
        const std::uint64_t start = 62 + std::uint64_t{info.stride} * (info.height - 1u - y);
        for (std::uint32_t c = 0; c < info.rowBytes; ++c) {
            std::uint8_t want = 0;
            if (start + c < size) {
                want = info.invert ? static_cast<std::uint8_t>(~data[start + c]) : data[start + c];
                if (c + 1 == info.rowBytes && info.lastByteMask != 0) {
                    want &= info.lastByteMask;
                }
            }
            FUZZ_CHECK(row[c] == want);
        }
    }
}

bool SameRows(const MonoBmp& a, const MonoBmp& b) {
    if (a.Info().height != b.Info().height || a.Info().rowBytes != b.Info().rowBytes) {
        return false;
    }
    for (std::uint32_t y = 0; y < a.Info().height; y += RowStep(a.Info())) {
        const auto ra = a.Row(y);
        const auto rb = b.Row(y);
        if (!std::equal(ra.begin(), ra.end(), rb.begin(), rb.end())) {
            return false;
        }
    }
    return true;
}

// One file per process; removed after each input, since libFuzzer may end without running atexit.
const std::string& ScratchPath() {
    static const std::string path = "/tmp/quillet-fuzz-" + std::to_string(getpid()) + ".bmp";
    return path;
}

// Checks every write's size as it comes, and keeps the bytes.
class CheckingSink : public ByteSink {
public:
    explicit CheckingSink(std::vector<std::size_t> sizes) : sizes_(std::move(sizes)) {}
    bool Write(const std::uint8_t* data, std::size_t size) override {
        FUZZ_CHECK(writes_ < sizes_.size());
        FUZZ_CHECK(size == sizes_[writes_]);
        ++writes_;
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    bool AllWritten() const { return writes_ == sizes_.size(); }
    Bytes bytes;

private:
    std::vector<std::size_t> sizes_;
    std::size_t writes_ = 0;
};

void CheckNvBlock(const MonoBmp& picture) {
    const MonoBmpInfo& info = picture.Info();
    const std::size_t x = info.rowBytes;
    const std::size_t y = (info.height + 7u) / 8u;
    std::vector<std::size_t> sizes(1 + 8 * x, y);
    sizes[0] = 4;
    CheckingSink sink(sizes);
    static NvWorkArea work;
    const EncodeResult result = WriteNvImageBlock(sink, picture, work);
    if (CheckNvGeometry(info) != BmpCheck::Ok) {
        FUZZ_CHECK(result == EncodeResult::TooLarge && sink.bytes.empty());
        return;
    }
    FUZZ_CHECK(result == EncodeResult::Ok && sink.AllWritten());
    FUZZ_CHECK(sink.bytes[0] == (x & 0xFF) && sink.bytes[1] == x >> 8);
    FUZZ_CHECK(sink.bytes[2] == (y & 0xFF) && sink.bytes[3] == y >> 8);
    if (x * y > 4096) {
        return;
    }
    for (std::size_t column = 0; column < 8 * x; ++column) {
        for (std::size_t k = 0; k < y; ++k) {
            const std::uint8_t byte = sink.bytes[4 + column * y + k];
            for (std::uint32_t i = 0; i < 8; ++i) {
                const std::uint32_t row = static_cast<std::uint32_t>(8 * k + i);
                const bool dot =
                    row < info.height && Dot(picture, static_cast<std::uint32_t>(column), row);
                FUZZ_CHECK(((byte & (0x80 >> i)) != 0) == dot);
            }
        }
    }
}

void CheckRaster(const MonoBmp& picture) {
    const MonoBmpInfo& info = picture.Info();
    std::vector<std::size_t> sizes(1 + info.height, info.rowBytes);
    sizes[0] = 8;
    CheckingSink sink(sizes);
    const EncodeResult result = WriteRasterImage(sink, picture);
    if (CheckRasterGeometry(info) != BmpCheck::Ok) {
        FUZZ_CHECK(result == EncodeResult::TooLarge && sink.bytes.empty());
        return;
    }
    FUZZ_CHECK(result == EncodeResult::Ok && sink.AllWritten());
    for (std::uint32_t top = 0; top < info.height; ++top) {
        const auto row = picture.Row(top);
        FUZZ_CHECK(std::equal(row.begin(), row.end(), sink.bytes.begin() + 8 + top * row.size()));
    }
}

void CheckSettingPackets(const std::uint8_t* data, std::size_t size) {
    std::int32_t typed = 0;
    for (std::size_t i = 0; i < size && i < 4; ++i) {
        typed = static_cast<std::int32_t>(static_cast<std::uint32_t>(typed) << 8 | data[i]);
    }
    const SettingPacket feed = SettingPacketFor(SettingCommand::FeedSet, typed);
    FUZZ_CHECK(feed.size == 3 && feed.bytes[0] == 0x1F && feed.bytes[1] == 0x43);
    FUZZ_CHECK(feed.bytes[2] == (static_cast<std::uint32_t>(typed) & 0xFF));
    const std::string status = FormatSettingStatus(SettingCommand::FeedSet, typed, typed);
    FUZZ_CHECK(status.size() < 64 && status.ends_with(" mm"));
    const auto command = static_cast<SettingCommand>(size % kSettingCommandCount);
    const SettingPacket packet = SettingPacketFor(command, typed);
    FUZZ_CHECK(packet.size >= 3 && packet.size <= kMaxSettingPacketSize);
}

} // namespace

void FuzzMonoBmp(const std::uint8_t* data, std::size_t size) {
    MonoBmp fromMemory;
    const BmpCheck memoryCheck = fromMemory.Decode({data, size}, FuzzGeometry);
    if (memoryCheck == BmpCheck::Ok) {
        CheckRows(fromMemory);
        CheckAgainstLayout(fromMemory, data, size);
    }

    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);
    MonoBmpInfo headerInfo;
    const BmpCheck headerCheck = CheckMonoBmpFile(ScratchPath().c_str(), headerInfo);
    MonoBmp fromFile;
    const BmpCheck fileCheck = fromFile.Read(ScratchPath().c_str(), FuzzGeometry);
    std::remove(ScratchPath().c_str());
    const bool capped = headerCheck == BmpCheck::Ok && FuzzGeometry(headerInfo) != BmpCheck::Ok;
    FUZZ_CHECK(fileCheck == memoryCheck);
    FUZZ_CHECK(memoryCheck == (capped ? BmpCheck::BadGeometry : headerCheck));
    if (fileCheck == BmpCheck::Ok) {
        FUZZ_CHECK(headerInfo.stride == fromFile.Info().stride);
        FUZZ_CHECK(SameRows(fromFile, fromMemory));
    }
}

void FuzzEncoders(const std::uint8_t* data, std::size_t size) {
    CheckSettingPackets(data, size);
    MonoBmp picture;
    if (picture.Decode({data, size}, FuzzGeometry) != BmpCheck::Ok) {
        return;
    }
    CheckNvBlock(picture);
    CheckRaster(picture);
}

} // namespace quillet::fuzz
