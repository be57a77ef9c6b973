#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillet::logo {

struct OutputFile {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
    bool replace = false; // a file there may be replaced: it was there when the run began
};

// Writes each file to a temporary one in its folder (a short random name, created exclusively,
// never through a link, flushed to the disk), then renames them into place one after the other
// with interrupts held. A regular file (or a link) there is replaced only when the file's
// `replace` says so, its old file kept under a second name (a hard link, or a copy where the
// file system has none) until every rename is done; otherwise the last step refuses to replace
// whatever appeared meanwhile. Anything else (a folder, a device, a FIFO) is never replaced. A
// failure at any point removes the temporary files and puts every old file back, so that a run
// that fails leaves every file as it was. False with the index of the file that failed and why.
bool WriteFilesTogether(std::span<const OutputFile> files, std::size_t& failed, std::string& why);

} // namespace quillet::logo
