#include "logo/output_files.h"

#include "logo/file_paths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

// A name beside `target` no one else picks: a dot, the target's name, a random number, ".tmp".
fs::path TemporaryName(const fs::path& target) {
    static std::mt19937_64 random{std::random_device{}() ^
                                  (std::uint64_t{std::random_device{}()} << 32)};
    char number[17];
    std::snprintf(number, sizeof number, "%016llx", static_cast<unsigned long long>(random()));
    // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) on a chain of string additions.
    std::string file(1, '.');
    file += PathToUtf8(target.filename());
    file += '.';
    file += number;
    file += ".tmp";
    fs::path name = target;
    name.replace_filename(PathFromUtf8(file));
    return name;
}

int OpenNew(const fs::path& path) {
#ifdef _WIN32
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const unsigned chunk = bytes.size() < (1u << 30) ? unsigned(bytes.size()) : (1u << 30);
#ifdef _WIN32
        const int wrote = _write(fd, bytes.data(), chunk);
#else
        const ssize_t wrote = write(fd, bytes.data(), chunk);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
#endif
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

int Close(int fd) {
#ifdef _WIN32
    return _close(fd);
#else
    return close(fd);
#endif
}

// The temporary file of one output, removed unless it was renamed into place.
class Temporary {
public:
    ~Temporary() { Remove(); }
    bool Write(const OutputFile& file, std::string& why) {
        int fd = -1;
        for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
            path_ = TemporaryName(file.path);
            fd = OpenNew(path_);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd < 0) {
            why = "it cannot be created (" + ErrnoText(errno) + ")";
            path_.clear();
            return false;
        }
        const bool wrote = WriteAll(fd, file.bytes);
        const int writeError = errno;
        const bool closed = Close(fd) == 0;
        if (!wrote || !closed) {
            why = "writing it failed (" + ErrnoText(wrote ? errno : writeError) + ")";
            return false;
        }
        return true;
    }
    const fs::path& Path() const { return path_; }
    void Taken() { path_.clear(); }
    void Remove() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
            path_.clear();
        }
    }

private:
    fs::path path_;
};

// What a rename replaced: a second name for the old file, to put it back on a later failure.
struct Replaced {
    fs::path target;
    fs::path keep; // empty: there was no old file
    bool done = false;
};

void Undo(std::vector<Replaced>& replaced) {
    for (Replaced& r : replaced) {
        std::error_code ignored;
        if (r.done && r.keep.empty()) {
            fs::remove(r.target, ignored);
        } else if (r.done) {
            fs::rename(r.keep, r.target, ignored);
        } else if (!r.keep.empty()) {
            fs::remove(r.keep, ignored);
        }
    }
}

} // namespace

bool WriteFilesTogether(std::span<const OutputFile> files, std::size_t& failed, std::string& why) {
    std::vector<Temporary> temporaries(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!temporaries[i].Write(files[i], why)) {
            failed = i;
            return false;
        }
    }
    std::vector<Replaced> replaced;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Replaced r{files[i].path, {}, false};
        std::error_code error;
        // All but the last keep their old file under a second name until every rename is done.
        const bool exists = fs::symlink_status(r.target, error).type() != fs::file_type::not_found;
        if (i + 1 < files.size() && exists) {
            // A file system without hard links (FAT) gets no second name: there a failing
            // later rename leaves this file replaced.
            r.keep = TemporaryName(r.target);
            fs::create_hard_link(r.target, r.keep, error);
            if (error) {
                r.keep.clear();
                error.clear();
            }
        }
        fs::rename(temporaries[i].Path(), r.target, error);
        if (!error) {
            temporaries[i].Taken();
            r.done = true;
        }
        replaced.push_back(r);
        if (error) {
            failed = i;
            why = "it cannot be replaced (" + error.message() + ")";
            Undo(replaced);
            return false;
        }
    }
    for (const Replaced& r : replaced) {
        std::error_code ignored;
        if (!r.keep.empty()) {
            fs::remove(r.keep, ignored);
        }
    }
    return true;
}

} // namespace quillet::logo
