#include "window_find.h"

namespace {

struct DialogSearch {
    DWORD pid;
    HWND except;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && window != search->except && IsWindowVisible(window) &&
        class_name_of(window) == "#32770")
        search->found.push_back(window);
    return TRUE;
}

struct CaptionSearch {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK match_caption(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<CaptionSearch*>(param);
    if (IsWindowVisible(window) && caption_of(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_child(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

} // namespace

std::string class_name_of(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string caption_of(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND find_top_level(const std::string& caption) {
    CaptionSearch search{&caption, nullptr};
    EnumWindows(match_caption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> dialogs_of_process(DWORD pid, HWND except) {
    DialogSearch search{pid, except, {}};
    EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> children_of(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&children));
    return children;
}
