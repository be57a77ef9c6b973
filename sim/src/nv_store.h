// The printer's NV image memory, kept in a folder so that it survives a restart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// One stored image: 8·x dots wide, 8·y dots high, column data (8·x columns of y bytes, top down,
// MSB = top dot).
struct NvImage {
    int x = 0;
    int y = 0;
    std::vector<std::uint8_t> columns;

    int width_dots() const { return 8 * x; }
    int height_dots() const { return 8 * y; }
    bool dot(int col, int row) const {
        return columns[static_cast<std::size_t>(col) * y + row / 8] & (0x80 >> (row % 8));
    }
};

struct NvLimits {
    static constexpr int kMaxX = 1023;
    static constexpr int kMaxY = 288;
    // Without a capacity the memory still has an end, so a stream cannot exhaust ours.
    static constexpr std::uint64_t kHardCapacity = 64ull << 20;
};

class NvStore {
public:
    // An empty dir keeps the images in memory only. capacity: total bytes of column data the memory
    // holds (0 = only the hard limit).
    NvStore(std::string dir, std::uint64_t capacity);

    std::uint64_t capacity() const;
    // Loads what an earlier run stored; false when the folder holds a damaged store (then empty).
    bool load();
    // Replaces every stored image; false when the store could not be written to the folder.
    bool replace(std::vector<NvImage> images);
    const NvImage* get(int number) const; // numbers start at 1
    std::size_t count() const { return images_.size(); }
    std::string file_path() const;

private:
    std::string dir_;
    std::uint64_t capacity_;
    std::vector<NvImage> images_;
};

// The store's file holds the images as the definition command that stored them: 1C 71 n, blocks.
std::vector<std::uint8_t> encode_store(const std::vector<NvImage>& images);
std::optional<std::vector<NvImage>> decode_store(const std::vector<std::uint8_t>& bytes);

} // namespace sim
