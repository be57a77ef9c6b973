#include "logo/file_paths.h"

#include <cwctype>
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

namespace {

// Absolute first: a relative path that does not exist stays relative in weakly_canonical, so
// "o.bmp" and "./o.bmp" would differ.
fs::path Canonical(const fs::path& path, std::error_code& error) {
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return {};
    }
    fs::path canonical = fs::weakly_canonical(absolute, error);
#ifdef _WIN32
    // Names differing only in case are one file on Windows' file systems.
    std::wstring folded = canonical.native();
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    canonical = folded;
#endif
    return canonical;
}

} // namespace

bool SamePlace(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::equivalent(a, b, error)) {
        return true;
    }
    std::error_code errorA, errorB;
    const fs::path ra = Canonical(a, errorA);
    const fs::path rb = Canonical(b, errorB);
    return !errorA && !errorB && ra == rb;
}

std::string Shown(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 15];
        } else {
            shown += c;
        }
    }
    return shown;
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
