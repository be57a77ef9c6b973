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

// Writes each file to a temporary one in its folder (a short random name, created exclusively,
// never through a link, flushed to the disk), then renames them into place one after the other
// with interrupts held. A name that held nothing when the run began is never replaced; one that
// held a regular file (or a link) is replaced only when `replace`, its old file kept under a
// second name (a hard link, or a copy where the file system has none) until every rename is
// done. Anything else (a folder, a device, a FIFO) is never replaced. A failure at any point
// removes the temporary files and puts every old file back, so that a run that fails leaves
// every file as it was. False with the index of the file that failed and why.
bool WriteFilesTogether(std::span<const OutputFile> files, bool replace, std::size_t& failed,
                        std::string& why);

} // namespace quillet::logo
