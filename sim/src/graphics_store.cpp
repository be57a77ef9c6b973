#include "graphics_store.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace sim {

namespace {

const char* kHex = "0123456789ABCDEF";

// Keys hold characters such as '/' and '.', so a file is named by the key's hex digits.
std::string key_file_name(const std::string& key) {
    std::string name;
    for (unsigned char c : key) {
        name += kHex[c >> 4];
        name += kHex[c & 15];
    }
    return name + ".bin";
}

std::optional<std::string> key_from_file_name(const std::string& name) {
    if (name.size() != 8 || name.substr(4) != ".bin")
        return std::nullopt;
    std::string key;
    for (int i = 0; i < 2; ++i) {
        const std::string digits = name.substr(static_cast<std::size_t>(2 * i), 2);
        if (digits.find_first_not_of(kHex) != std::string::npos)
            return std::nullopt;
        const int b = std::stoi(digits, nullptr, 16);
        if (!GraphicsLimits::valid_key_byte(b))
            return std::nullopt;
        key += static_cast<char>(b);
    }
    return key;
}

} // namespace

std::vector<std::uint8_t> encode_graphics(const GraphicsImage& im) {
    std::vector<std::uint8_t> out = {
        static_cast<std::uint8_t>(im.width & 0xFF), static_cast<std::uint8_t>(im.width >> 8),
        static_cast<std::uint8_t>(im.height & 0xFF), static_cast<std::uint8_t>(im.height >> 8)};
    out.insert(out.end(), im.rows.begin(), im.rows.end());
    return out;
}

std::optional<GraphicsImage> decode_graphics(const std::vector<std::uint8_t>& b) {
    if (b.size() < 4)
        return std::nullopt;
    GraphicsImage im;
    im.width = b[0] | (b[1] << 8);
    im.height = b[2] | (b[3] << 8);
    if (im.width < 1 || im.width > GraphicsLimits::kMaxWidth || im.height < 1 ||
        im.height > GraphicsLimits::kMaxHeight)
        return std::nullopt;
    if (b.size() - 4 != static_cast<std::size_t>(im.stride()) * im.height)
        return std::nullopt;
    im.rows.assign(b.begin() + 4, b.end());
    return im;
}

GraphicsStore::GraphicsStore(std::string dir, std::uint64_t capacity)
    : dir_(std::move(dir)), capacity_(capacity) {}

std::uint64_t GraphicsStore::capacity() const {
    return std::min(capacity_, GraphicsLimits::kHardCapacity);
}

std::uint64_t GraphicsStore::used() const {
    std::uint64_t sum = 0;
    for (const auto& [key, im] : images_)
        sum += cost(im.rows.size());
    return sum;
}

std::uint64_t GraphicsStore::remaining() const {
    const std::uint64_t u = used();
    return u >= capacity() ? 0 : capacity() - u;
}

bool GraphicsStore::fits(const std::string& key, std::uint64_t data_bytes) const {
    std::uint64_t free = remaining();
    if (const GraphicsImage* old = get(key))
        free += cost(old->rows.size());
    return cost(data_bytes) <= free;
}

std::string GraphicsStore::file_for(const std::string& key) const {
    return dir_ + "/" + key_file_name(key);
}

bool GraphicsStore::load() {
    images_.clear();
    if (dir_.empty())
        return true;
    bool ok = true;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir_, ec)) {
        const auto key = key_from_file_name(e.path().filename().string());
        if (!key)
            continue; // not one of ours (a .tmp left by a crash, say)
        std::ifstream in(e.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        auto im = decode_graphics(bytes);
        if (!im) {
            ok = false;
            continue;
        }
        images_[*key] = std::move(*im);
    }
    return ok;
}

bool GraphicsStore::define(const std::string& key, GraphicsImage image) {
    const auto bytes = encode_graphics(image);
    images_[key] = std::move(image);
    if (dir_.empty())
        return true;
    // Written beside the old file and renamed over it, so a crash never leaves half an image.
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    const std::string path = file_for(key);
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool GraphicsStore::remove(const std::string& key, bool& existed) {
    existed = images_.erase(key) > 0;
    if (dir_.empty() || !existed)
        return true;
    std::error_code ec;
    std::filesystem::remove(file_for(key), ec);
    return !ec;
}

bool GraphicsStore::remove_all() {
    bool ok = true;
    for (const auto& [key, im] : images_) {
        std::error_code ec;
        if (!dir_.empty())
            std::filesystem::remove(file_for(key), ec);
        ok = ok && !ec;
    }
    images_.clear();
    return ok;
}

const GraphicsImage* GraphicsStore::get(const std::string& key) const {
    const auto it = images_.find(key);
    return it == images_.end() ? nullptr : &it->second;
}

std::vector<std::string> GraphicsStore::keys() const {
    std::vector<std::string> out;
    for (const auto& [key, im] : images_)
        out.push_back(key);
    return out;
}

} // namespace sim
