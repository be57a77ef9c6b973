#include "logo/file_paths.h"

#include <fstream>
#include <system_error>

namespace quillet::logo {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path WithSuffix(const fs::path& path, const std::string& suffix) {
    fs::path out = path;
    out.replace_filename(PathFromUtf8(PathToUtf8(path.stem()) + suffix));
    return out;
}

bool SamePlace(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error)) {
        return true;
    }
    const fs::path ra = fs::weakly_canonical(a, error);
    const fs::path rb = fs::weakly_canonical(b, error);
    return !error && ra == rb;
}

bool ReadWholeFile(const fs::path& path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes,
                   std::string& why) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        why = "it is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "it cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0) {
        why = "its size cannot be read";
        return false;
    }
    if (std::uint64_t(size) > maxBytes) {
        why = "the file is larger than " + std::to_string(maxBytes >> 20) + " MB";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        why = "reading it failed";
        return false;
    }
    return true;
}

} // namespace quillet::logo
