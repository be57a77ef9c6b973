#include "nv/ledger_file.h"

#include "logo/file_paths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet::nv {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

fs::path TemporaryBeside(const fs::path& target) {
    static std::mt19937_64 random{std::random_device{}() ^
                                  (std::uint64_t{std::random_device{}()} << 32)};
    char number[17];
    std::snprintf(number, sizeof number, "%016llx", static_cast<unsigned long long>(random()));
    std::string file(1, '.');
    file += logo::PathToUtf8(target.filename());
    file += '.';
    file += number;
    file += ".tmp";
    fs::path name = target;
    name.replace_filename(logo::PathFromUtf8(file));
    return name;
}

#ifdef _WIN32
int OpenNew(const fs::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* data, unsigned size) {
    return _write(fd, data, size);
}
int Flush(int fd) {
    return _commit(fd);
}
int CloseFd(int fd) {
    return _close(fd);
}
std::string LastErrorText() {
    return std::system_category().message(static_cast<int>(GetLastError()));
}
bool Rename(const fs::path& from, const fs::path& to, std::string& why) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    why = LastErrorText();
    return false;
}
#else
int OpenNew(const fs::path& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}
int WriteSome(int fd, const char* data, unsigned size) {
    return static_cast<int>(write(fd, data, size));
}
int Flush(int fd) {
    return fsync(fd);
}
int CloseFd(int fd) {
    return close(fd);
}
bool Rename(const fs::path& from, const fs::path& to, std::string& why) {
    if (rename(from.c_str(), to.c_str()) != 0) {
        why = ErrnoText(errno);
        return false;
    }
    // The rename itself lasts only once the folder is on the disk too.
    const int dir = open(to.parent_path().empty() ? "." : to.parent_path().c_str(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
#endif

} // namespace

FileLock::~FileLock() {
    Release();
}

#ifdef _WIN32
void FileLock::Release() {
    if (handle_) {
        OVERLAPPED whole{};
        UnlockFileEx(handle_, 0, MAXDWORD, MAXDWORD, &whole);
        CloseHandle(handle_);
        handle_ = nullptr;
    }
}

bool FileLock::Take(const fs::path& path, std::chrono::milliseconds limit, std::string& why) {
    Release();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = "cannot open its lock file (" + LastErrorText() + ")";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &whole)) {
            handle_ = h;
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline) {
            why = GetLastError() == ERROR_LOCK_VIOLATION
                      ? "another run held its lock for longer than " +
                            std::to_string(limit.count() / 1000) + " s"
                      : "cannot lock it (" + LastErrorText() + ")";
            CloseHandle(h);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
#else
void FileLock::Release() {
    if (fd_ >= 0) {
        close(fd_); // also releases the lock
        fd_ = -1;
    }
}

bool FileLock::Take(const fs::path& path, std::chrono::milliseconds limit, std::string& why) {
    Release();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        why = "cannot open its lock file (" + ErrnoText(errno) + ")";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return true;
        }
        const int error = errno;
        if (error != EWOULDBLOCK && error != EINTR) {
            why = "cannot lock it (" + ErrnoText(error) + ")";
            close(fd);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            why = "another run held its lock for longer than " +
                  std::to_string(limit.count() / 1000) + " s";
            close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
#endif

ReadOutcome ReadSmallFile(const fs::path& path, std::size_t maxBytes, std::string& text,
                          std::string& why) {
    text.clear();
    std::FILE* file = nullptr;
#ifdef _WIN32
    file = _wfopen(path.c_str(), L"rb");
#else
    file = std::fopen(path.c_str(), "rb");
#endif
    if (!file) {
        if (errno == ENOENT)
            return ReadOutcome::Missing;
        why = ErrnoText(errno);
        return ReadOutcome::Failed;
    }
    // One byte past the limit tells a file that is too large, whatever its size says.
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
        if (text.size() > maxBytes) {
            std::fclose(file);
            text.clear();
            return ReadOutcome::TooLarge;
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        why = ErrnoText(error);
        return ReadOutcome::Failed;
    }
    return ReadOutcome::Read;
}

bool ReplaceWholeFile(const fs::path& path, std::string_view text, std::string& why) {
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryBeside(path);
        fd = OpenNew(temporary);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        why = "cannot create a file beside it (" + ErrnoText(errno) + ")";
        return false;
    }
    bool ok = true;
    int error = 0;
    while (ok && !text.empty()) {
        const unsigned chunk = text.size() < (1u << 30) ? unsigned(text.size()) : (1u << 30);
        const int wrote = WriteSome(fd, text.data(), chunk);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            ok = false;
            error = wrote == 0 ? EIO : errno;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
    if (ok && Flush(fd) != 0) {
        ok = false;
        error = errno;
    }
    if (CloseFd(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    std::string renameWhy;
    if (ok && !Rename(temporary, path, renameWhy)) {
        why = "cannot rename the new file into place (" + renameWhy + ")";
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    if (!ok) {
        why = "writing it failed (" + ErrnoText(error) + ")";
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

} // namespace quillet::nv
