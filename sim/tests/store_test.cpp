// The NV store in its folder: what one run stores, the next run prints.
#include "decoder.h"
#include "graphics_store.h"
#include "png_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace sim {
namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("sim-store-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string store_dir() const { return (dir_ / "nv").string(); }
    std::filesystem::path dir_;
};

// Two images: 8 x 8 dots with only the top-left dot, and 16 x 16 dots with the bottom-right one.
const std::vector<std::uint8_t> kTwoImages = [] {
    std::vector<std::uint8_t> b = {0x1C, 0x71, 0x02, 0x01, 0x00, 0x01, 0x00, 0x80, 0,   0,
                                   0,    0,    0,    0,    0,    0x02, 0x00, 0x02, 0x00};
    std::vector<std::uint8_t> second(32, 0);
    second[31] = 0x01; // last column, last byte, lowest bit
    b.insert(b.end(), second.begin(), second.end());
    return b;
}();

TEST_F(StoreTest, ImagesSurviveARestart) {
    {
        MemorySink log;
        NvStore store(store_dir(), 0);
        ASSERT_TRUE(store.load());
        GraphicsStore graphics("", GraphicsLimits::kDefaultCapacity);
        Printer printer(576, store, graphics, log, dir_.string());
        Decoder d(printer, log);
        d.feed(kTwoImages.data(), kTwoImages.size());
        ASSERT_EQ(store.count(), 2u);
    }
    MemorySink log;
    NvStore store(store_dir(), 0);
    ASSERT_TRUE(store.load());
    ASSERT_EQ(store.count(), 2u);
    GraphicsStore graphics("", GraphicsLimits::kDefaultCapacity);
    Printer printer(576, store, graphics, log, dir_.string());
    Decoder d(printer, log);
    const std::uint8_t print[] = {0x1C, 0x70, 0x01, 0x00, 0x1C, 0x70, 0x02,
                                  0x00, 0x1C, 0x70, 0x03, 0x00, 0x1B, 0x69};
    d.feed(print, sizeof print);
    DotPicture pic;
    ASSERT_TRUE(read_png_dots((dir_ / "receipt-0001.png").string(), pic));
    ASSERT_EQ(pic.height, 8 + 16);
    EXPECT_EQ(std::count(pic.dots.begin(), pic.dots.end(), 1), 2);
    EXPECT_TRUE(pic.dot(0, 0));
    EXPECT_TRUE(pic.dot(15, 8 + 15));
}

TEST_F(StoreTest, DamagedStoreFileLoadsAsEmpty) {
    std::filesystem::create_directories(store_dir());
    for (std::size_t cut : {std::size_t{2}, std::size_t{10}, kTwoImages.size() - 1}) {
        {
            std::ofstream f(store_dir() + "/nv-images.bin", std::ios::binary | std::ios::trunc);
            f.write(reinterpret_cast<const char*>(kTwoImages.data()),
                    static_cast<std::streamsize>(cut));
        }
        NvStore store(store_dir(), 0);
        EXPECT_FALSE(store.load()) << cut;
        EXPECT_EQ(store.count(), 0u);
        EXPECT_EQ(store.get(1), nullptr);
    }
}

TEST_F(StoreTest, GraphicsKeysOfAnyPrintableCharactersSurviveAndDamagedFilesAreLeftOut) {
    const std::string dir = (dir_ / "graphics").string();
    const GraphicsImage im{9, 2, {0x80, 0x00, 0x00, 0x80}};
    {
        GraphicsStore store(dir, GraphicsLimits::kDefaultCapacity);
        for (const char* key : {"/.", "  ", "~\\", "\"'"})
            ASSERT_TRUE(store.define(key, im));
    }
    // A file cut short, and one whose name is no key, beside them.
    {
        std::ofstream(dir + "/4142.bin", std::ios::binary) << "\x09\x00\x02\x00\x80";
        std::ofstream(dir + "/1F41.bin", std::ios::binary) << "\x01\x00\x01\x00\x80";
    }
    GraphicsStore store(dir, GraphicsLimits::kDefaultCapacity);
    EXPECT_FALSE(store.load());
    EXPECT_EQ(store.keys(), (std::vector<std::string>{"  ", "\"'", "/.", "~\\"}));
    ASSERT_NE(store.get("/."), nullptr);
    EXPECT_EQ(store.get("/.")->rows, im.rows);
    EXPECT_EQ(store.remaining(), GraphicsLimits::kDefaultCapacity - 4 * (4 + 14));
}

TEST(StoreEncoding, RoundTripsAndRejectsExtraBytes) {
    auto images = decode_store(kTwoImages);
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 2u);
    EXPECT_EQ(encode_store(*images), kTwoImages);
    auto longer = kTwoImages;
    longer.push_back(0);
    EXPECT_FALSE(decode_store(longer));
}

} // namespace
} // namespace sim
