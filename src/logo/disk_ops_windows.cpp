#include "logo/disk_ops.h"

#include <windows.h>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

DiskResult Failed(DWORD error) {
    DiskResult r;
    r.ok = false;
    r.nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    r.why = length > 0 ? Utf8(text, static_cast<int>(length)) : "error " + std::to_string(error);
    LocalFree(text);
    while (!r.why.empty() &&
           (r.why.back() == '\n' || r.why.back() == '\r' || r.why.back() == '.')) {
        r.why.pop_back();
    }
    return r;
}

DiskResult LastFailure() {
    return Failed(GetLastError());
}

} // namespace

DiskResult KindOf(const fs::path& path, PlaceKind& kind) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            kind = PlaceKind::Missing;
            return {};
        }
        return Failed(error);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        kind = PlaceKind::Link;
        return {};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        kind = PlaceKind::Other;
        return {};
    }
    // NUL, CON, COM1 and the like have attributes too: only a disk file is a regular one.
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return LastFailure();
    }
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    kind = type == FILE_TYPE_DISK ? PlaceKind::Regular : PlaceKind::Other;
    return {};
}

DiskResult WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes,
                        const fs::path& modeOf) {
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (!modeOf.empty()) {
        const DWORD old = GetFileAttributesW(modeOf.c_str());
        if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY)) {
            // Read-only would keep the rename from replacing it: the rest is kept.
            attributes = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
        }
    }
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return LastFailure();
    }
    DWORD error = 0;
    while (!bytes.empty() && error == 0) {
        const DWORD chunk = bytes.size() < (1u << 30) ? DWORD(bytes.size()) : (1u << 30);
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data(), chunk, &wrote, nullptr) || wrote == 0) {
            error = wrote == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : GetLastError();
        }
        bytes = bytes.subspan(wrote);
    }
    if (error == 0 && !FlushFileBuffers(file)) {
        error = GetLastError();
    }
    if (!CloseHandle(file) && error == 0) {
        error = GetLastError();
    }
    if (error != 0) {
        DeleteFileW(path.c_str());
        return Failed(error);
    }
    return {};
}

DiskResult LinkNew(const fs::path& existing, const fs::path& name) {
    return CreateHardLinkW(name.c_str(), existing.c_str(), nullptr) ? DiskResult{} : LastFailure();
}

DiskResult MoveNoReplace(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? DiskResult{}
                                                                         : LastFailure();
}

DiskResult MoveReplacing(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? DiskResult{}
               : LastFailure();
}

DiskResult RemoveFile(const fs::path& path) {
    return DeleteFileW(path.c_str()) ? DiskResult{} : LastFailure();
}

DiskResult SyncFolder(const fs::path&) {
    // MOVEFILE_WRITE_THROUGH already waited for each rename to reach the disk.
    return {};
}

} // namespace quillet::logo
