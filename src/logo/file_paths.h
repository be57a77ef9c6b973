#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet::logo {

// Command-line paths are UTF-8 on both systems; std::filesystem takes them as such.
std::filesystem::path PathFromUtf8(const std::string& text);
std::string PathToUtf8(const std::filesystem::path& path);

// The same folder, the name without its extension, then `suffix`.
std::filesystem::path WithSuffix(const std::filesystem::path& path, const std::string& suffix);

// Whether both name the same file (an existing one, or the same canonical absolute path).
bool SamePlace(const std::filesystem::path& a, const std::filesystem::path& b);

// A name for a message: control characters as \xNN, so that no name can forge a line.
std::string Shown(const std::string& name);

// Reads a whole file of at most `maxBytes`. False with `why` otherwise.
bool ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t>& bytes, std::string& why);

} // namespace quillet::logo
