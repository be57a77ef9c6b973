// The printer's NV graphics memory: raster images by two-character key, each defined and deleted
// on its own, kept in a folder (one file per key) so that they survive a restart.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// width x height dots, rows of ceil(width / 8) bytes, top row first, MSB = leftmost dot.
struct GraphicsImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rows;

    int stride() const { return (width + 7) / 8; }
    bool dot(int x, int y) const {
        return rows[static_cast<std::size_t>(y) * stride() + x / 8] & (0x80 >> (x % 8));
    }
};

struct GraphicsLimits {
    static constexpr int kMaxWidth = 8192;
    static constexpr int kMaxHeight = 2304;
    // Star's command reference for NV graphics (StarPRNT Command Specifications, "ESC GS ) L
    // <Function 49> Transmit capacity used by registered individual NV graphics") counts 14 bytes
    // of management data in the capacity each registered image uses. Epson's references give no
    // figure, so every image here costs its data plus these 14 bytes.
    static constexpr std::uint64_t kOverheadPerImage = 14;
    // 384 KB, the NV graphics memory of many current 80 mm receipt printers.
    static constexpr std::uint64_t kDefaultCapacity = 393216;
    // However large a capacity is asked for, a host cannot make us hold more than this.
    static constexpr std::uint64_t kHardCapacity = 64ull << 20;

    static bool valid_key_byte(int b) { return b >= 0x20 && b <= 0x7E; }
};

class GraphicsStore {
public:
    // An empty dir keeps the images in memory only.
    GraphicsStore(std::string dir, std::uint64_t capacity);

    // Loads what earlier runs stored; false when a file was damaged (it is left out).
    bool load();
    std::uint64_t capacity() const;
    std::uint64_t used() const;
    std::uint64_t remaining() const;
    static std::uint64_t cost(std::uint64_t data_bytes) {
        return data_bytes + GraphicsLimits::kOverheadPerImage;
    }
    // Room for an image of data_bytes under key, counting the room its old image frees.
    bool fits(const std::string& key, std::uint64_t data_bytes) const;

    // Each returns false when the folder could not be written (memory holds the change anyway).
    bool define(const std::string& key, GraphicsImage image);
    bool remove(const std::string& key, bool& existed);
    bool remove_all();

    const GraphicsImage* get(const std::string& key) const;
    std::vector<std::string> keys() const; // in byte order
    std::size_t count() const { return images_.size(); }

private:
    std::string file_for(const std::string& key) const;

    std::string dir_;
    std::uint64_t capacity_;
    std::map<std::string, GraphicsImage> images_;
};

// A stored file: width and height (two bytes each, low byte first), then the rows.
std::vector<std::uint8_t> encode_graphics(const GraphicsImage& image);
std::optional<GraphicsImage> decode_graphics(const std::vector<std::uint8_t>& bytes);

} // namespace sim
