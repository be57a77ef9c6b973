#include "nv_store.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace sim {

NvStore::NvStore(std::string dir, std::uint64_t capacity)
    : dir_(std::move(dir)), capacity_(capacity) {}

std::uint64_t NvStore::capacity() const {
    return capacity_ == 0 || capacity_ > NvLimits::kHardCapacity ? NvLimits::kHardCapacity
                                                                 : capacity_;
}

std::string NvStore::file_path() const {
    return dir_ + "/nv-images.bin";
}

std::vector<std::uint8_t> encode_store(const std::vector<NvImage>& images) {
    std::vector<std::uint8_t> out{0x1C, 0x71, static_cast<std::uint8_t>(images.size())};
    for (const NvImage& im : images) {
        out.push_back(static_cast<std::uint8_t>(im.x & 0xFF));
        out.push_back(static_cast<std::uint8_t>(im.x >> 8));
        out.push_back(static_cast<std::uint8_t>(im.y & 0xFF));
        out.push_back(static_cast<std::uint8_t>(im.y >> 8));
        out.insert(out.end(), im.columns.begin(), im.columns.end());
    }
    return out;
}

std::optional<std::vector<NvImage>> decode_store(const std::vector<std::uint8_t>& b) {
    if (b.size() < 3 || b[0] != 0x1C || b[1] != 0x71)
        return std::nullopt;
    std::vector<NvImage> images;
    std::size_t pos = 3;
    for (int i = 0; i < b[2]; ++i) {
        if (b.size() - pos < 4)
            return std::nullopt;
        NvImage im;
        im.x = b[pos] | (b[pos + 1] << 8);
        im.y = b[pos + 2] | (b[pos + 3] << 8);
        pos += 4;
        if (im.x < 1 || im.x > NvLimits::kMaxX || im.y < 1 || im.y > NvLimits::kMaxY)
            return std::nullopt;
        const std::size_t size = static_cast<std::size_t>(8) * im.x * im.y;
        if (b.size() - pos < size)
            return std::nullopt;
        im.columns.assign(b.begin() + static_cast<long>(pos),
                          b.begin() + static_cast<long>(pos + size));
        pos += size;
        images.push_back(std::move(im));
    }
    if (pos != b.size())
        return std::nullopt;
    return images;
}

bool NvStore::load() {
    images_.clear();
    if (dir_.empty())
        return true;
    std::ifstream in(file_path(), std::ios::binary);
    if (!in)
        return true; // nothing stored yet
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    auto images = decode_store(bytes);
    if (!images)
        return false;
    images_ = std::move(*images);
    return true;
}

bool NvStore::replace(std::vector<NvImage> images) {
    images_ = std::move(images);
    if (dir_.empty())
        return true; // a store in memory only
    // Written beside the old file and renamed over it, so a crash never leaves half a store.
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    const std::string tmp = file_path() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        const auto bytes = encode_store(images_);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return false;
    }
    return std::rename(tmp.c_str(), file_path().c_str()) == 0;
}

const NvImage* NvStore::get(int number) const {
    if (number < 1 || static_cast<std::size_t>(number) > images_.size())
        return nullptr;
    return &images_[static_cast<std::size_t>(number) - 1];
}

} // namespace sim
