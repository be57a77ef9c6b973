#include "framework/ModulePath.h"

namespace {

// Position of the last backslash or slash that is a character of its own, or npos.
size_t LastSeparator(const std::string& path, UINT codePage) {
    size_t found = std::string::npos;
    for (size_t at = 0; at < path.size(); at += AfxCharLength(path, at, codePage))
        if (path[at] == '\\' || path[at] == '/')
            found = at;
    return found;
}

} // namespace

size_t AfxCharLength(const std::string& text, size_t at, UINT codePage) {
    const bool lead = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) != FALSE;
    return lead && at + 1 < text.size() ? 2 : 1;
}

std::string AfxGetModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        // A full buffer may hold a cut path: only a shorter answer is known to be whole.
        if (length < path.size() - 1) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

std::string AfxPathFolder(const std::string& path, UINT codePage) {
    const size_t slash = LastSeparator(path, codePage);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string AfxPathFileName(const std::string& path, UINT codePage) {
    const size_t slash = LastSeparator(path, codePage);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
