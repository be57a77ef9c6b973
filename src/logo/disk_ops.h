#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillet::logo {

// The outcome of one operation on the disk, with the system's own message on failure.
struct DiskResult {
    bool ok = true;
    bool nameTaken = false; // the new name already exists
    std::string why;
};

enum class PlaceKind { Missing, Regular, Link, Other };

// What `path` names, a link not followed.
DiskResult KindOf(const std::filesystem::path& path, PlaceKind& kind);

// Creates `path` (never through a link, failing when the name exists), writes `bytes` and
// flushes them to the disk. The new file takes `modeOf`'s permissions when that is a file. On
// failure nothing is left at `path`.
DiskResult WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                        const std::filesystem::path& modeOf);

// A second name for an existing file (a hard link); fails on file systems without them.
DiskResult LinkNew(const std::filesystem::path& existing, const std::filesystem::path& name);

// Renames `from` to `to`, failing with nameTaken when `to` exists.
DiskResult MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Renames `from` to `to`, replacing a file there.
DiskResult MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

DiskResult RemoveFile(const std::filesystem::path& path);

// Makes the folder's names (renames, new and removed files) last across a power cut.
DiskResult SyncFolder(const std::filesystem::path& folder);

} // namespace quillet::logo
