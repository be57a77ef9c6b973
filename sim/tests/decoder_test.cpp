// Byte streams written from the ESC/POS definitions, decoded and printed on paper.
#include "decoder.h"
#include "png_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kTrailer = {0x0A, 0x0A, 0x0A, 0x0C, 0x1B, 0x6D};
// The 10 x 3 picture, top row first.
const std::vector<std::string> kPicture = {"X.X.X.X.X.", "XXXXXXXXXX", ".........X"};
const Bytes kNvDefinition = {0x1C, 0x71, 0x01, 0x02, 0x00, 0x01, 0x00, 0xC0, 0x40, 0xC0, 0x40, 0xC0,
                             0x40, 0xC0, 0x40, 0xC0, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kRaster = {0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03,
                       0x00, 0xAA, 0x80, 0xFF, 0xC0, 0x00, 0x40};

class DecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-'); // parameterised names hold a slash
        dir_ = std::filesystem::temp_directory_path() /
               ("sim-decoder-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        make_printer(0, 576);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void make_printer(std::uint64_t capacity, int paper) {
        decoder_.reset();
        printer_.reset();
        store_ = std::make_unique<NvStore>((dir_ / "nv-store").string(), capacity);
        ASSERT_TRUE(store_->load());
        printer_ = std::make_unique<Printer>(paper, *store_, graphics_, log_, dir_.string());
        decoder_ = std::make_unique<Decoder>(*printer_, log_);
    }

    // Feeds the stream in pieces of `piece` bytes (0: all at once).
    void feed(const Bytes& b, std::size_t piece = 0) {
        if (piece == 0)
            piece = b.size();
        for (std::size_t i = 0; i < b.size(); i += piece)
            decoder_->feed(b.data() + i, std::min(piece, b.size() - i));
    }

    std::vector<Record> records(const std::string& ev) const {
        std::vector<Record> out;
        for (const Record& r : log_.records)
            if (r.ev() == ev)
                out.push_back(r);
        return out;
    }
    std::vector<Record> cmds(const std::string& name) const {
        std::vector<Record> out;
        for (const Record& r : records("cmd"))
            if (r.str("name") == name)
                out.push_back(r);
        return out;
    }

    DotPicture receipt(int number) const {
        char name[32];
        std::snprintf(name, sizeof name, "receipt-%04d.png", number);
        DotPicture pic;
        EXPECT_TRUE(read_png_dots((dir_ / name).string(), pic)) << name;
        return pic;
    }

    // The picture, scaled, stands at the top left; every other dot of the receipt is white.
    static void expect_picture(const DotPicture& pic, int sx, int sy) {
        long black = 0, expected = 0;
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) {
                const bool want = y / sy < 3 && x / sx < 10 && kPicture[y / sy][x / sx] == 'X';
                black += pic.dot(x, y);
                expected += want;
                if (pic.dot(x, y) != want)
                    ADD_FAILURE() << "dot " << x << "," << y << " should be "
                                  << (want ? "black" : "white");
            }
        EXPECT_EQ(black, expected);
    }

    std::filesystem::path dir_;
    MemorySink log_;
    GraphicsStore graphics_{"", GraphicsLimits::kDefaultCapacity};
    std::unique_ptr<NvStore> store_;
    std::unique_ptr<Printer> printer_;
    std::unique_ptr<Decoder> decoder_;
};

class SplitTest : public DecoderTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(SplitTest, StoredPictureWorkedExamplePrintsItsDots) {
    feed(cat({kNvDefinition, {0x1C, 0x70, 0x01, 0x30}, kTrailer}), GetParam());

    const auto q = cmds("FS q");
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].num("offset"), 0);
    EXPECT_EQ(q[0].num("n"), 1);
    EXPECT_EQ(q[0].str("images"), "[{\"x\":2,\"y\":1}]");
    EXPECT_EQ(q[0].flag("stored"), true);
    const auto p = cmds("FS p");
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].num("offset"), 23);
    EXPECT_EQ(p[0].num("n"), 1);
    EXPECT_EQ(p[0].num("m"), 48);
    EXPECT_EQ(p[0].flag("defined"), true);
    const auto lf = cmds("LF");
    ASSERT_EQ(lf.size(), 3u);
    EXPECT_EQ(lf[2].num("offset"), 29);
    ASSERT_EQ(cmds("FF").size(), 1u);
    ASSERT_EQ(cmds("ESC m").size(), 1u);
    EXPECT_EQ(cmds("ESC m")[0].num("offset"), 31);
    EXPECT_TRUE(records("unknown").empty());

    const auto rc = records("receipt");
    ASSERT_EQ(rc.size(), 1u);
    const DotPicture pic = receipt(1);
    EXPECT_EQ(pic.width, 576);
    EXPECT_EQ(pic.height, 8 + 3 * Printer::kLineDots); // the image is 8·y dots high
    expect_picture(pic, 1, 1);
}

TEST_P(SplitTest, RasterWorkedExamplePrintsItsDots) {
    feed(cat({kRaster, kTrailer}), GetParam());

    const auto v = cmds("GS v 0");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].num("offset"), 0);
    EXPECT_EQ(v[0].num("m"), 0);
    EXPECT_EQ(v[0].num("x"), 2);
    EXPECT_EQ(v[0].num("y"), 3);
    EXPECT_EQ(cmds("LF")[0].num("offset"), 14);
    EXPECT_TRUE(records("unknown").empty());
    ASSERT_EQ(records("receipt").size(), 1u);
    const DotPicture pic = receipt(1);
    EXPECT_EQ(pic.height, 3 + 3 * Printer::kLineDots);
    expect_picture(pic, 1, 1);
}

INSTANTIATE_TEST_SUITE_P(Pieces, SplitTest, ::testing::Values(0u, 1u, 2u, 3u, 7u));

TEST_F(DecoderTest, PrintModeScalesRasterAndStoredPictures) {
    struct Case {
        std::uint8_t m;
        int sx, sy;
    };
    const Case cases[] = {{0, 1, 1}, {48, 1, 1}, {1, 2, 1}, {49, 2, 1},
                          {2, 1, 2}, {50, 1, 2}, {3, 2, 2}, {51, 2, 2}};
    feed(kNvDefinition);
    int number = 0;
    for (const Case& c : cases) {
        Bytes raster = kRaster;
        raster[3] = c.m;
        feed(cat({raster, {0x1B, 0x69}}));
        feed(cat({{0x1C, 0x70, 0x01, c.m}, {0x1D, 0x56, 0x01}}));
        SCOPED_TRACE(c.m);
        const DotPicture r = receipt(++number);
        EXPECT_EQ(r.height, 3 * c.sy);
        expect_picture(r, c.sx, c.sy);
        const DotPicture s = receipt(++number);
        EXPECT_EQ(s.height, 8 * c.sy);
        expect_picture(s, c.sx, c.sy);
    }
    EXPECT_TRUE(records("unknown").empty());
}

TEST_F(DecoderTest, UndefinedStoredImagePrintsNothing) {
    feed(cat({{0x1C, 0x70, 0x05, 0x30}, kTrailer}));
    const auto p = cmds("FS p");
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].flag("defined"), false);
    const DotPicture pic = receipt(1);
    EXPECT_EQ(pic.height, 3 * Printer::kLineDots);
    EXPECT_EQ(std::count(pic.dots.begin(), pic.dots.end(), 1), 0);
}

TEST_F(DecoderTest, SettingPacketsAreNamedAndChecked) {
    struct Case {
        Bytes bytes;
        const char* setting;
        const char* value;
        bool check_ok;
    };
    const Bytes head = {0x02, 0x00};
    const Bytes zeros(8, 0x00);
    auto packet = [&](std::uint8_t c1, std::uint8_t c2, Bytes data, std::uint8_t check) {
        return cat({head,
                    {c1, 0x00},
                    zeros,
                    {static_cast<std::uint8_t>(data.size()), 0x00, c2, 0x00},
                    data,
                    {check}});
    };
    const Case cases[] = {
        {{0x02, 0x00, 0x81, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x82,
          0x00, 0x00, 0x00},
         "BPS",
         "9600",
         true},
        {packet(0x81, 0x82, {0x01}, 0x01), "BPS", "19200", true},
        {packet(0x81, 0x82, {0x04}, 0x04), "BPS", "115200", true},
        {packet(0x92, 0x93, {0x0D, 0x01, 0xF8}, 0xF4), "Column", "42", true},
        {packet(0x92, 0x93, {0x0D, 0x00, 0x00}, 0x0D), "Column", "48", true},
        {packet(0x82, 0x82, {0xE5, 0x00}, 0xE5), "Buzzer", "Use", true},
        {packet(0x82, 0x82, {0xE1, 0x00}, 0xE1), "Buzzer", "Not use", true},
        {packet(0x92, 0x92, {0x0C, 0x00}, 0x0C), "Cut", "Command", true},
        {packet(0x92, 0x92, {0x0C, 0x02}, 0x0E), "Cut", "Full", true},
        {packet(0x92, 0x92, {0x0C, 0x01}, 0x0D), "Cut", "Partial", true},
        {packet(0x92, 0x92, {0x84, 0x01}, 0x85), "Jam", "Use", true},
        {packet(0x92, 0x92, {0x84, 0x00}, 0x84), "Jam", "Not use", true},
        {packet(0x92, 0x93, {0x0D, 0x01, 0xF8}, 0xF5), "Column", "42", false},
        {packet(0x81, 0x82, {0x00}, 0x01), "BPS", "9600", false},
    };
    std::uint64_t offset = 0;
    for (const Case& c : cases) {
        log_.records.clear();
        feed(c.bytes, 1);
        SCOPED_TRACE(std::string(c.setting) + " " + c.value);
        const auto r = cmds("config");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].num("offset"), static_cast<std::int64_t>(offset));
        EXPECT_EQ(r[0].str("setting"), c.setting);
        EXPECT_EQ(r[0].str("value"), c.value);
        EXPECT_EQ(r[0].flag("check_ok"), c.check_ok);
        EXPECT_EQ(r[0].num("n"), static_cast<std::int64_t>(c.bytes.size() - 17));
        EXPECT_EQ(log_.records.size(), 1u);
        offset += c.bytes.size();
    }
}

TEST_F(DecoderTest, OtherShortCommandsAreLoggedWithTheirParameters) {
    feed({0x1B, 0x63, 0x33, 0x01, 0x1B, 0x63, 0x33, 0x00, 0x1F, 0x43, 0x2C, 0x1B, 0x40});
    const auto near = cmds("ESC c 3");
    ASSERT_EQ(near.size(), 2u);
    EXPECT_EQ(near[0].str("value"), "Use");
    EXPECT_EQ(near[1].str("value"), "Not use");
    EXPECT_EQ(near[1].num("n"), 0);
    const auto feedcmd = cmds("feed");
    ASSERT_EQ(feedcmd.size(), 1u);
    EXPECT_EQ(feedcmd[0].num("n"), 44);
    EXPECT_EQ(feedcmd[0].num("offset"), 8);
    ASSERT_EQ(cmds("ESC @").size(), 1u);
    EXPECT_EQ(log_.records.size(), 4u);
}

TEST_F(DecoderTest, TruncatedCommandsAreReportedAtTheEnd) {
    const Bytes packet = {0x02, 0x00, 0x92, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0x00, 0x00, 0x03, 0x00, 0x93, 0x00, 0x0D, 0x01, 0xF8, 0xF4};
    struct Case {
        Bytes bytes;
        const char* name;
        const char* field;
        std::int64_t value;
    };
    const Case cases[] = {
        {Bytes(packet.begin(), packet.begin() + 10), "config", "received", 10},
        {Bytes(packet.begin(), packet.begin() + 18), "config", "received", 18},
        {Bytes(kNvDefinition.begin(), kNvDefinition.begin() + 12), "FS q", "images_received", 0},
        {Bytes(kRaster.begin(), kRaster.begin() + 11), "GS v 0", "rows_received", 1},
        {{0x1C, 0x70, 0x01}, "FS p", "received", 3},
        // GS ( L function 67 for an 8 x 8 image (19 body bytes), cut after 9 of them.
        {{0x1D, 0x28, 0x4C, 0x13, 0x00, 0x30, 0x43, 0x30, 0x54, 0x31, 0x01, 0x08, 0x00, 0x08},
         "GS ( L",
         "received",
         9},
        {{0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, 0x41}, "GS ( H", "received", 3},
        {{0x1D, 0x28, 0x48, 0x06}, "GS ( H", "received", 4},
    };
    for (const Case& c : cases) {
        log_.records.clear();
        feed(cat({{0x0A}, c.bytes}));
        decoder_->finish();
        SCOPED_TRACE(c.name);
        const auto t = records("truncated");
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0].str("name"), c.name);
        EXPECT_EQ(t[0].num("offset"),
                  static_cast<std::int64_t>(decoder_->offset() - c.bytes.size()));
        EXPECT_EQ(t[0].num(c.field), c.value);
        // A raster image is logged, and printed, as its rows come; the others only when whole.
        EXPECT_EQ(cmds(c.name).size(), std::string(c.name) == "GS v 0" ? 1u : 0u);
    }
    // Neither store took a cut-short definition.
    EXPECT_EQ(store_->count(), 0u);
    EXPECT_EQ(graphics_.count(), 0u);
}

TEST_F(DecoderTest, DefinitionOverALimitIsRefusedWholeAndItsBytesSkipped) {
    // One picture of 16 bytes is stored first; capacity 64 bytes.
    make_printer(64, 576);
    feed(kNvDefinition);
    ASSERT_EQ(store_->count(), 1u);
    auto block = [](int x, int y, std::uint8_t fill) {
        Bytes b = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                   static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8)};
        b.resize(b.size() + static_cast<std::size_t>(8 * x * y), fill);
        return b;
    };
    struct Case {
        Bytes bytes;
        const char* reason;
    };
    const Case cases[] = {
        {cat({{0x1C, 0x71, 0x02}, block(1, 1, 0xFF), block(1, 8, 0xFF)}), "over capacity"},
        {cat({{0x1C, 0x71, 0x02}, block(1024, 1, 0xFF), block(1, 1, 0xFF)}),
         "x out of range 1-1023"},
        {cat({{0x1C, 0x71, 0x01}, block(1, 289, 0xFF)}), "y out of range 1-288"},
        {cat({{0x1C, 0x71, 0x02}, block(1, 1, 0xFF), block(0, 1, 0xFF)}), "x out of range 1-1023"},
        {{0x1C, 0x71, 0x00}, "n out of range 1-255"},
    };
    for (const Case& c : cases) {
        log_.records.clear();
        const std::uint64_t start = decoder_->offset();
        feed(cat({c.bytes, {0x0A}}), 5);
        SCOPED_TRACE(c.reason);
        const auto r = records("refused");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].str("reason"), c.reason);
        EXPECT_EQ(r[0].num("offset"), static_cast<std::int64_t>(start));
        EXPECT_TRUE(cmds("FS q").empty());
        // Every announced byte was read as part of the command, so the LF stands on its own.
        const auto lf = cmds("LF");
        ASSERT_EQ(lf.size(), 1u);
        EXPECT_EQ(lf[0].num("offset"), static_cast<std::int64_t>(start + c.bytes.size()));
        EXPECT_TRUE(records("unknown").empty());
        // The earlier picture is still the one stored, on disk too.
        NvStore reloaded((dir_ / "nv-store").string(), 0);
        ASSERT_TRUE(reloaded.load());
        for (const NvStore* s :
             {static_cast<const NvStore*>(store_.get()), static_cast<const NvStore*>(&reloaded)}) {
            ASSERT_EQ(s->count(), 1u);
            EXPECT_EQ(s->get(1)->columns, Bytes(kNvDefinition.begin() + 7, kNvDefinition.end()));
        }
    }
}

TEST_F(DecoderTest, UnknownBytesAreSkippedOneByOne) {
    // 'A', then ESC with an unknown function, then GS v with a bad mode, then an LF.
    feed({0x41, 0x1B, 0x5A, 0x1D, 0x76, 0x30, 0x07, 0x0A}, 1);
    const auto u = records("unknown");
    std::vector<std::pair<std::int64_t, std::int64_t>> got;
    for (const Record& r : u)
        got.emplace_back(*r.num("offset"), *r.num("byte"));
    const std::vector<std::pair<std::int64_t, std::int64_t>> want = {
        {0, 0x41}, {1, 0x1B}, {2, 0x5A}, {3, 0x1D}, {4, 0x76}, {5, 0x30}, {6, 0x07}};
    EXPECT_EQ(got, want);
    ASSERT_EQ(cmds("LF").size(), 1u);
    EXPECT_EQ(cmds("LF")[0].num("offset"), 7);
}

TEST_F(DecoderTest, PacketLookalikeWithNonZeroReservedBytesIsNoPacket) {
    Bytes b = {0x02, 0x00, 0x81, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00,
               0x00, 0x00, 0x00, 0x01, 0x00, 0x82, 0x00, 0x00, 0x00};
    feed(b);
    EXPECT_TRUE(cmds("config").empty());
    ASSERT_FALSE(records("unknown").empty());
    EXPECT_EQ(records("unknown")[0].num("offset"), 0);
}

TEST_F(DecoderTest, PictureWiderThanThePaperIsClipped) {
    for (int paper : {576, 384}) {
        make_printer(0, paper);
        log_.records.clear();
        // 80 bytes = 640 dots per row, two rows, all black; a full cut.
        Bytes raster = {0x1D, 0x76, 0x30, 0x00, 80, 0x00, 0x02, 0x00};
        raster.resize(raster.size() + 160, 0xFF);
        feed(cat({raster, {0x1D, 0x56, 0x41, 0x05}}), 9);
        SCOPED_TRACE(paper);
        const auto clip = records("clip");
        ASSERT_EQ(clip.size(), 1u);
        EXPECT_EQ(clip[0].num("width"), 640);
        EXPECT_EQ(clip[0].num("paper"), paper);
        const auto cut = cmds("GS V");
        ASSERT_EQ(cut.size(), 1u);
        EXPECT_EQ(cut[0].num("n"), 5);
        const DotPicture pic = receipt(1);
        EXPECT_EQ(pic.width, paper);
        EXPECT_EQ(pic.height, 2 + 5);
        EXPECT_EQ(std::count(pic.dots.begin(), pic.dots.end(), 1), 2 * paper);
    }
}

TEST_F(DecoderTest, CutWithNothingOnThePaperWritesNoReceipt) {
    feed({0x1B, 0x6D, 0x1B, 0x69, 0x0A, 0x1B, 0x69});
    EXPECT_EQ(cmds("ESC m").size(), 1u);
    EXPECT_EQ(cmds("ESC i").size(), 2u);
    const auto rc = records("receipt");
    ASSERT_EQ(rc.size(), 1u);
    EXPECT_EQ(rc[0].num("height"), Printer::kLineDots);
    EXPECT_EQ(rc[0].num("offset"), 5);
}

} // namespace
} // namespace sim
