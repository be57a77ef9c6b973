// NV graphics (GS ( L, GS 8 L) through the real quillet-sim process.
#include "png_file.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An asymmetric picture: no mirror or shift of it looks the same.
bool pattern(int x, int y, int seed) {
    return (x == 0 && y == 0) || ((x * 3 + y * 5 + seed) % 7 == 0 && x % 5 != 4);
}

Bytes raster_rows(int w, int h, int seed) {
    const int stride = (w + 7) / 8;
    Bytes rows(static_cast<std::size_t>(stride) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (pattern(x, y, seed))
                rows[static_cast<std::size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
    return rows;
}

// Function 67, through GS 8 L when the body does not fit GS ( L's two-byte length.
Bytes define(const std::string& key, int w, int h, int seed) {
    const Bytes rows = raster_rows(w, h, seed);
    const std::uint64_t n = 11 + rows.size();
    Bytes b;
    if (n <= 65535)
        b = {0x1D, 0x28, 0x4C, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8)};
    else
        b = {0x1D,
             0x38,
             0x4C,
             static_cast<std::uint8_t>(n),
             static_cast<std::uint8_t>(n >> 8),
             static_cast<std::uint8_t>(n >> 16),
             static_cast<std::uint8_t>(n >> 24)};
    const Bytes head = {0x30,
                        0x43,
                        0x30,
                        static_cast<std::uint8_t>(key[0]),
                        static_cast<std::uint8_t>(key[1]),
                        0x01,
                        static_cast<std::uint8_t>(w),
                        static_cast<std::uint8_t>(w >> 8),
                        static_cast<std::uint8_t>(h),
                        static_cast<std::uint8_t>(h >> 8),
                        0x31};
    return cat(cat(b, head), rows);
}

Bytes print_key(const std::string& key, int x = 1, int y = 1) {
    return {0x1D,
            0x28,
            0x4C,
            0x06,
            0x00,
            0x30,
            0x45,
            static_cast<std::uint8_t>(key[0]),
            static_cast<std::uint8_t>(key[1]),
            static_cast<std::uint8_t>(x),
            static_cast<std::uint8_t>(y)};
}

Bytes delete_key(const std::string& key) {
    return {0x1D,
            0x28,
            0x4C,
            0x04,
            0x00,
            0x30,
            0x42,
            static_cast<std::uint8_t>(key[0]),
            static_cast<std::uint8_t>(key[1])};
}

const Bytes kCapacity = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x30};
const Bytes kRemaining = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33};
const Bytes kKeyList = {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};
const Bytes kDeleteAll = {0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x52};
const Bytes kCut = {0x1B, 0x69};
constexpr std::uint64_t kOverhead = 14;

// Reads one answer that ends with its 00 byte.
Bytes read_answer(int fd) {
    Bytes out;
    const auto deadline = Clock::now() + milliseconds(8000);
    while (Clock::now() < deadline && (out.empty() || out.back() != 0x00)) {
        const Bytes b = read_for(fd, milliseconds(100), 1);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

Bytes decimal(std::uint8_t id, std::uint64_t v) {
    Bytes b = {0x37, id};
    for (char c : std::to_string(v))
        b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0x00);
    return b;
}

Bytes key_block(bool more, const std::string& keys) {
    Bytes b = {0x37, 0x72, static_cast<std::uint8_t>(more ? 0x41 : 0x40)};
    b.insert(b.end(), keys.begin(), keys.end());
    b.push_back(0x00);
    return b;
}

// Receipt `number` holds the picture scaled by sx, sy at the top left, nothing else.
void expect_receipt(const std::string& dir, int number, int w, int h, int seed, int sx, int sy) {
    char name[32];
    std::snprintf(name, sizeof name, "/receipt-%04d.png", number);
    sim::DotPicture pic;
    ASSERT_TRUE(sim::read_png_dots(dir + name, pic)) << name;
    ASSERT_EQ(pic.height, h * sy);
    int wrong = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const bool want = x / sx < w && pattern(x / sx, y / sy, seed);
            if (pic.dot(x, y) != want && ++wrong < 5)
                ADD_FAILURE() << name << " dot " << x << "," << y;
        }
    EXPECT_EQ(wrong, 0);
}

struct Host {
    int fd = -1;
    ~Host() {
        if (fd >= 0)
            close(fd);
    }
};

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = unique_dir(std::string("sim-graphics-") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

TEST_F(GraphicsTest, DefineListPrintAndDeleteByKey) {
    SimProcess sim(dir_, {"--listen", "0"});
    ASSERT_TRUE(sim.ready());
    Host host{connect_tcp(sim.port())};
    ASSERT_GE(host.fd, 0);
    struct Image {
        std::string key;
        int w, h, seed;
    };
    const Image images[] = {{"A1", 20, 10, 1}, {"B2", 13, 5, 2}, {" ~", 9, 3, 3}};
    const std::uint64_t capacity = 393216;
    std::uint64_t left = capacity;
    for (const Image& im : images) {
        ASSERT_TRUE(write_all(host.fd, define(im.key, im.w, im.h, im.seed)));
        left -= static_cast<std::uint64_t>((im.w + 7) / 8) * im.h + kOverhead;
    }
    ASSERT_TRUE(write_all(host.fd, cat(kCapacity, kRemaining)));
    EXPECT_EQ(read_answer(host.fd), decimal(0x30, capacity));
    EXPECT_EQ(read_answer(host.fd), decimal(0x31, left));
    ASSERT_TRUE(write_all(host.fd, kKeyList));
    EXPECT_EQ(read_answer(host.fd), key_block(false, " ~A1B2"));

    Bytes prints;
    for (const Image& im : images)
        prints = cat(cat(prints, print_key(im.key, im.key == "A1" ? 2 : 1, im.key == "B2" ? 2 : 1)),
                     kCut);
    prints = cat(cat(prints, print_key("ZZ")), kCut); // nothing stored there: no receipt
    ASSERT_TRUE(write_all(host.fd, prints));
    ASSERT_TRUE(
        sim.wait_for({"\"fn\":69", "\"key\":\"ZZ\"", "\"defined\":false"}, milliseconds(5000)));
    EXPECT_EQ(sim.log_lines({"\"ev\":\"receipt\""}).size(), 3u);
    expect_receipt(dir_, 1, 20, 10, 1, 2, 1);
    expect_receipt(dir_, 2, 13, 5, 2, 1, 2);
    expect_receipt(dir_, 3, 9, 3, 3, 1, 1);

    ASSERT_TRUE(write_all(host.fd, cat(cat(delete_key("B2"), kKeyList), kRemaining)));
    EXPECT_EQ(read_answer(host.fd), key_block(false, " ~A1"));
    EXPECT_EQ(read_answer(host.fd), decimal(0x31, left + 2 * 5 + kOverhead));
    ASSERT_TRUE(write_all(host.fd, cat(cat(kDeleteAll, kKeyList), kRemaining)));
    EXPECT_EQ(read_answer(host.fd), key_block(false, ""));
    EXPECT_EQ(read_answer(host.fd), decimal(0x31, capacity));
    EXPECT_EQ(sim.log_lines({"\"fn\":65", "\"deleted\":2"}).size(), 1u);
}

TEST_F(GraphicsTest, FortyFiveKeysComeInTwoBlocks) {
    SimProcess sim(dir_, {});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    std::string keys;
    Bytes defs;
    for (int i = 0; i < 45; ++i) {
        const std::string key = {static_cast<char>('a' + i / 10), static_cast<char>('0' + i % 10)};
        keys += key;
        defs = cat(defs, define(key, 1, 1, i));
    }
    ASSERT_TRUE(write_all(host.fd, defs));
    // ACK for the next block; NAK sends the same block again; CAN ends the exchange.
    ASSERT_TRUE(write_all(host.fd, kKeyList));
    EXPECT_EQ(read_answer(host.fd), key_block(true, keys.substr(0, 80)));
    ASSERT_TRUE(write_all(host.fd, {0x15}));
    EXPECT_EQ(read_answer(host.fd), key_block(true, keys.substr(0, 80)));
    ASSERT_TRUE(write_all(host.fd, {0x06}));
    EXPECT_EQ(read_answer(host.fd), key_block(false, keys.substr(80)));
    ASSERT_TRUE(write_all(host.fd, cat(kKeyList, {})));
    EXPECT_EQ(read_answer(host.fd), key_block(true, keys.substr(0, 80)));
    ASSERT_TRUE(write_all(host.fd, {0x18, 0x1D, 0x72, 0x01}));
    EXPECT_EQ(read_for(host.fd, milliseconds(5000), 1), Bytes{0x00});
    EXPECT_TRUE(read_for(host.fd, milliseconds(300)).empty());
    EXPECT_EQ(sim.log_lines({"\"ev\":\"key_list_reply\"", "\"meaning\":\"cancel\""}).size(), 1u);
    EXPECT_TRUE(sim.log_lines({"\"ev\":\"unknown\""}).empty());
}

TEST_F(GraphicsTest, LargeDefinitionGoesThroughGs8L) {
    SimProcess sim(dir_, {"--listen", "0"});
    ASSERT_TRUE(sim.ready());
    Host host{connect_tcp(sim.port())};
    ASSERT_GE(host.fd, 0);
    const int w = 576, h = 1000; // 72,000 data bytes
    const Bytes def = define("LG", w, h, 4);
    ASSERT_EQ(def[1], 0x38);
    ASSERT_TRUE(write_all(host.fd, cat(cat(def, print_key("LG")), kCut)));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"receipt\""}, milliseconds(10000)));
    EXPECT_EQ(
        sim.log_lines({"\"name\":\"GS 8 L\"", "\"fn\":67", "\"bytes\":72000", "\"stored\":true"})
            .size(),
        1u);
    expect_receipt(dir_, 1, w, h, 4, 1, 1);
}

TEST_F(GraphicsTest, DefinitionThatDoesNotFitOrBreaksALimitIsRefusedAndTheStoreKept) {
    // 1000 bytes: one 80 x 50 image (500 + 14) fits, a second one does not.
    SimProcess sim(dir_, {"--nv-graphics-capacity", "1000"});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    ASSERT_TRUE(write_all(host.fd, define("K1", 80, 50, 5)));
    Bytes bad_key = define("K3", 8, 1, 0);
    bad_key[9] = 0x1F;
    struct Case {
        Bytes bytes;
        const char* reason;
    };
    const Case cases[] = {
        {define("K2", 80, 50, 6), "over capacity"},
        {define("K2", 8193, 1, 6), "width out of range 1-8192"},
        {define("K2", 8, 2305, 6), "height out of range 1-2304"},
        {bad_key, "key out of range 32-126"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        // Every announced byte is read as part of the refused command: the question after it
        // stands on its own, and the store is as it was.
        ASSERT_TRUE(write_all(host.fd, cat(cat(c.bytes, kKeyList), kRemaining)));
        EXPECT_EQ(read_answer(host.fd), key_block(false, "K1"));
        EXPECT_EQ(read_answer(host.fd), decimal(0x31, 1000 - 514));
        EXPECT_EQ(sim.log_lines({"\"ev\":\"refused\"", c.reason}).size(), 1u);
    }
    EXPECT_TRUE(sim.log_lines({"\"ev\":\"unknown\""}).empty());
    // Redefining a key counts the room its old image frees: 980 + 14 fits in 486 + 514.
    ASSERT_TRUE(write_all(host.fd, cat(cat(define("K1", 80, 98, 7), kRemaining), print_key("K1"))));
    EXPECT_EQ(read_answer(host.fd), decimal(0x31, 1000 - 994));
    ASSERT_TRUE(write_all(host.fd, kCut));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"receipt\""}, milliseconds(5000)));
    expect_receipt(dir_, 1, 80, 98, 7, 1, 1);
    EXPECT_EQ(sim.log_lines({"\"fn\":67", "\"replaced\":true", "\"stored\":true"}).size(), 1u);
}

TEST_F(GraphicsTest, DefinitionsSurviveARestart) {
    {
        SimProcess sim(dir_, {});
        ASSERT_TRUE(sim.ready());
        Host host{open_host(sim.pty(), false)};
        ASSERT_GE(host.fd, 0);
        ASSERT_TRUE(write_all(
            host.fd, cat(cat(define("R1", 30, 7, 8), define("R2", 5, 5, 9)), delete_key("R2"))));
        ASSERT_TRUE(sim.wait_for({"\"fn\":66", "\"deleted\":true"}, milliseconds(5000)));
        EXPECT_EQ(sim.stop(), 0);
    }
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/nv-store/graphics/5231.bin"));
    SimProcess sim(dir_, {});
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(sim.log_lines({"\"ev\":\"start\"", "\"graphics_keys\":1"}).size(), 1u);
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    ASSERT_TRUE(write_all(host.fd, cat(cat(kKeyList, print_key("R1")), kCut)));
    EXPECT_EQ(read_answer(host.fd), key_block(false, "R1"));
    ASSERT_TRUE(sim.wait_for({"\"ev\":\"receipt\""}, milliseconds(5000)));
    expect_receipt(dir_, 1, 30, 7, 8, 1, 1);
}

TEST_F(GraphicsTest, ExclusiveRuleErasesTheOtherStore) {
    const Bytes fs_q = {0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0};
    for (const bool exclusive : {true, false}) {
        SCOPED_TRACE(exclusive);
        std::filesystem::remove_all(dir_);
        std::vector<std::string> args;
        if (exclusive)
            args.push_back("--nv-exclusive");
        SimProcess sim(dir_, args);
        ASSERT_TRUE(sim.ready());
        Host host{open_host(sim.pty(), false)};
        ASSERT_GE(host.fd, 0);
        // FS q, then a graphics definition, then FS p 1 and the key list.
        ASSERT_TRUE(write_all(host.fd, cat(cat(fs_q, define("E1", 8, 8, 1)),
                                           cat({0x1C, 0x70, 0x01, 0x00}, kKeyList))));
        EXPECT_EQ(read_answer(host.fd), key_block(false, "E1"));
        EXPECT_EQ(sim.log_lines({"\"name\":\"FS p\"",
                                 exclusive ? "\"defined\":false" : "\"defined\":true"})
                      .size(),
                  1u);
        // FS q again, then the key list.
        ASSERT_TRUE(write_all(host.fd, cat(fs_q, kKeyList)));
        EXPECT_EQ(read_answer(host.fd), key_block(false, exclusive ? "" : "E1"));
        EXPECT_EQ(sim.log_lines({"\"ev\":\"nv_erased\""}).size(), exclusive ? 2u : 0u);
        if (exclusive) {
            EXPECT_EQ(sim.log_lines({"\"ev\":\"nv_erased\"", "\"store\":\"FS q\"",
                                     "\"by\":\"GS ( L\"", "\"count\":1"})
                          .size(),
                      1u);
            EXPECT_EQ(sim.log_lines({"\"ev\":\"nv_erased\"", "\"store\":\"graphics\"",
                                     "\"by\":\"FS q\"", "\"count\":1"})
                          .size(),
                      1u);
        }
    }
}

TEST_F(GraphicsTest, EachGraphicsWriteKeepsThePrinterBusy) {
    SimProcess sim(dir_, {"--nv-busy-ms", "800"});
    ASSERT_TRUE(sim.ready());
    Host host{open_host(sim.pty(), false)};
    ASSERT_GE(host.fd, 0);
    const std::pair<Bytes, std::uint64_t> writes[] = {
        {define("B1", 8, 8, 1), 393216 - 8 - kOverhead},
        {delete_key("B1"), 393216},
        {kDeleteAll, 393216}};
    for (const auto& [w, left] : writes) {
        const auto t0 = Clock::now();
        ASSERT_TRUE(write_all(host.fd, cat(w, kRemaining)));
        EXPECT_EQ(read_answer(host.fd), decimal(0x31, left));
        const long took =
            static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - t0).count());
        EXPECT_GT(took, 700);
        EXPECT_LT(took, 5000);
    }
    EXPECT_EQ(sim.log_lines({"\"ev\":\"busy_start\"", "\"after\":\"GS ( L\""}).size(), 3u);
}

} // namespace
} // namespace simtest
