// The ledger's file on disk: a lock on a file beside it, a bounded read, and an atomic replace,
// so that runs at the same time never lose each other's records.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillet::nv {

// Held while it lives: an exclusive lock on `path` (created when missing).
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits up to `limit` for the lock; false with why.
    bool Take(const std::filesystem::path& path, std::chrono::milliseconds limit, std::string& why);

private:
    void Release();
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

enum class ReadOutcome { Read, Missing, TooLarge, Failed };

// Reads the whole file when it has at most `maxBytes`.
ReadOutcome ReadSmallFile(const std::filesystem::path& path, std::size_t maxBytes,
                          std::string& text, std::string& why);

// Writes `text` to a new file beside `path`, flushes it to the disk and renames it over `path`:
// a reader sees the old file or the new one, never a part. (Not "ReplaceFile": windows.h makes
// that name a macro.)
bool ReplaceWholeFile(const std::filesystem::path& path, std::string_view text, std::string& why);

} // namespace quillet::nv
