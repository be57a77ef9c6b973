#include "logo/disk_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

DiskResult Failed(int error) {
    DiskResult r;
    r.ok = false;
    r.nameTaken = error == EEXIST;
    r.why = std::generic_category().message(error);
    return r;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t chunk = bytes.size() < (1u << 30) ? bytes.size() : (1u << 30);
        const ssize_t wrote = write(fd, bytes.data(), chunk);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            if (wrote == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
    return true;
}

// Puts `from` at `to` unless `to` exists, where renameat2 has no such flag: the name is taken
// first by a hard link, or (without hard links) by an empty file the rename then replaces.
DiskResult MoveNoReplaceByLink(const fs::path& from, const fs::path& to) {
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST) {
        return Failed(EEXIST);
    }
    const int claim = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (claim < 0) {
        return Failed(errno);
    }
    close(claim);
    if (rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        unlink(to.c_str());
        return Failed(error);
    }
    return {};
}

} // namespace

DiskResult KindOf(const fs::path& path, PlaceKind& kind) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            kind = PlaceKind::Missing;
            return {};
        }
        return Failed(errno);
    }
    kind = S_ISREG(st.st_mode)   ? PlaceKind::Regular
           : S_ISLNK(st.st_mode) ? PlaceKind::Link
                                 : PlaceKind::Other;
    return {};
}

DiskResult WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes,
                        const fs::path& modeOf) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failed(errno);
    }
    struct stat old {};
    const bool keepMode =
        !modeOf.empty() && lstat(modeOf.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // The old file's permissions where the file system keeps any (FAT refuses the change, or
    // cannot be asked).
    if (keepMode && fchmod(fd, old.st_mode & 07777) != 0 && errno != EPERM && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        const int error = errno;
        close(fd);
        unlink(path.c_str());
        return Failed(error);
    }
    int error = 0;
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(path.c_str());
        return Failed(error);
    }
    return {};
}

DiskResult LinkNew(const fs::path& existing, const fs::path& name) {
    return link(existing.c_str(), name.c_str()) == 0 ? DiskResult{} : Failed(errno);
}

DiskResult MoveNoReplace(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        return MoveNoReplaceByLink(from, to);
    }
    return Failed(errno);
}

DiskResult MoveReplacing(const fs::path& from, const fs::path& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? DiskResult{} : Failed(errno);
}

DiskResult RemoveFile(const fs::path& path) {
    return unlink(path.c_str()) == 0 ? DiskResult{} : Failed(errno);
}

DiskResult SyncFolder(const fs::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Failed(errno);
    }
    // Some file systems cannot sync a folder at all (EINVAL): their renames are as safe as it gets.
    const bool ok = fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    close(fd);
    return ok ? DiskResult{} : Failed(error);
}

} // namespace quillet::logo
