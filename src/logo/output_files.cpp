#include "logo/output_files.h"

#include "logo/disk_ops.h"
#include "logo/file_paths.h"
#include "logo/interrupt_hold.h"

#include <cstdio>
#include <random>
#include <set>
#include <vector>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

// Short whatever the target's name, so that a name of 255 bytes can still be written.
fs::path TemporaryNameIn(const fs::path& folder) {
    static std::mt19937_64 random{std::random_device{}() ^
                                  (std::uint64_t{std::random_device{}()} << 32)};
    char name[32];
    std::snprintf(name, sizeof name, ".ql-%016llx.tmp", static_cast<unsigned long long>(random()));
    return folder / name;
}

constexpr const char* kAppeared = "a file of that name appeared meanwhile; it is kept";

fs::path FolderOf(const fs::path& path) {
    const fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// A file of ours under a temporary name, removed unless it was renamed into place.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() { Remove(); }

    DiskResult Write(const fs::path& folder, std::span<const std::uint8_t> bytes,
                     const fs::path& modeOf) {
        DiskResult r;
        for (int attempt = 0; attempt < 16; ++attempt) {
            const fs::path path = TemporaryNameIn(folder);
            r = WriteNewFile(path, bytes, modeOf);
            if (r.ok) {
                path_ = path;
            }
            if (!r.nameTaken) {
                break;
            }
        }
        return r;
    }
    // A second name for the file at `target`: a hard link, or a copy without them.
    DiskResult Keep(const fs::path& target, PlaceKind kind) {
        DiskResult r;
        for (int attempt = 0; attempt < 16; ++attempt) {
            const fs::path path = TemporaryNameIn(FolderOf(target));
            r = kind == PlaceKind::Regular ? LinkNew(target, path) : CopyLink(target, path);
            if (!r.ok && !r.nameTaken && kind == PlaceKind::Regular) {
                r = Copy(target, path);
            }
            if (r.ok) {
                path_ = path;
            }
            if (!r.nameTaken) {
                break;
            }
        }
        return r;
    }
    const fs::path& Path() const { return path_; }
    void Taken() { path_.clear(); }
    void Remove() {
        if (!path_.empty()) {
            RemoveFile(path_);
            path_.clear();
        }
    }

private:
    static DiskResult Copy(const fs::path& from, const fs::path& to) {
        std::vector<std::uint8_t> bytes;
        std::string why;
        if (!ReadWholeFile(from, std::uint64_t{1} << 40, bytes, why)) {
            return {false, false, why};
        }
        return WriteNewFile(to, bytes, from);
    }
    static DiskResult CopyLink(const fs::path& from, const fs::path& to) {
        std::error_code error;
        fs::copy_symlink(from, to, error);
        return error ? DiskResult{false, error == std::errc::file_exists, error.message()}
                     : DiskResult{};
    }

    fs::path path_;
};

struct Step {
    PlaceKind before = PlaceKind::Missing;
    Temporary file; // the new file until it is renamed into place
    Temporary kept; // the old file's second name
    bool done = false;
};

bool HasOld(PlaceKind kind) {
    return kind == PlaceKind::Regular || kind == PlaceKind::Link;
}

// Puts back what the renames done so far replaced; what cannot be put back stays under its
// second name, which `why` then tells.
void Undo(std::span<const OutputFile> files, std::vector<Step>& steps, std::string& why) {
    for (std::size_t i = steps.size(); i-- > 0;) {
        Step& step = steps[i];
        if (!step.done) {
            continue;
        }
        if (!HasOld(step.before)) {
            RemoveFile(files[i].path);
            continue;
        }
        const DiskResult back = MoveReplacing(step.kept.Path(), files[i].path);
        if (back.ok) {
            step.kept.Taken();
        } else {
            why += "; the old '" + Shown(PathToUtf8(files[i].path)) + "' cannot be put back (" +
                   back.why + ") and is kept as '" + Shown(PathToUtf8(step.kept.Path())) + "'";
            step.kept.Taken();
        }
    }
}

} // namespace

bool WriteFilesTogether(std::span<const OutputFile> files, std::size_t& failed, std::string& why) {
    const InterruptHold hold;
    std::vector<Step> steps(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        failed = i;
        const DiskResult kind = KindOf(files[i].path, steps[i].before);
        if (!kind.ok) {
            why = "it cannot be looked at (" + kind.why + ")";
            return false;
        }
        if (steps[i].before == PlaceKind::Other) {
            why = "it is not a regular file";
            return false;
        }
        if (HasOld(steps[i].before) && !files[i].replace) {
            why = kAppeared;
            return false;
        }
        const DiskResult wrote =
            steps[i].file.Write(FolderOf(files[i].path), files[i].bytes,
                                steps[i].before == PlaceKind::Regular ? files[i].path : fs::path());
        if (!wrote.ok) {
            why = "it cannot be created (" + wrote.why + ")";
            return false;
        }
    }
    // All but the last keep their old file under a second name until every rename is done.
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        failed = i;
        if (HasOld(steps[i].before)) {
            const DiskResult kept = steps[i].kept.Keep(files[i].path, steps[i].before);
            if (!kept.ok) {
                why = "its old file cannot be kept to put back on a failure (" + kept.why + ")";
                return false;
            }
        }
    }
    if (hold.Pending()) {
        why = "interrupted";
        return false;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        failed = i;
        Step& step = steps[i];
        PlaceKind now = PlaceKind::Missing;
        DiskResult moved = KindOf(files[i].path, now);
        if (moved.ok && now == PlaceKind::Other) {
            moved = {false, false, "it is no longer a regular file"};
        } else if (moved.ok) {
            moved = HasOld(step.before) ? MoveReplacing(step.file.Path(), files[i].path)
                                        : MoveNoReplace(step.file.Path(), files[i].path);
        }
        if (!moved.ok) {
            why = moved.nameTaken ? kAppeared : "it cannot be replaced (" + moved.why + ")";
            Undo(files, steps, why);
            return false;
        }
        step.file.Taken();
        step.done = true;
    }
    std::set<fs::path> folders;
    for (std::size_t i = 0; i < files.size(); ++i) {
        steps[i].kept.Remove();
        folders.insert(FolderOf(files[i].path));
    }
    for (const fs::path& folder : folders) {
        SyncFolder(folder);
    }
    return true;
}

} // namespace quillet::logo
