#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillet::logo {

struct OutputFile {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
};

// Writes each file to a temporary one beside it (created exclusively under a random name, never
// through a link), then renames them into place one after the other. A failure at any point
// removes the temporary files and puts back a file that an earlier rename replaced (kept under a
// second name, a hard link, where the file system has them), so that a run that fails leaves
// every file as it was. False with the index of the file that failed and why.
bool WriteFilesTogether(std::span<const OutputFile> files, std::size_t& failed, std::string& why);

} // namespace quillet::logo
