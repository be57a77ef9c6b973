// Finds the modal window (a dialog-class window, #32770) that a handler has opened on a thread,
// for the helpers that answer such windows from a thread of their own.
#pragma once

#include <windows.h>

#include <string>

namespace shown_dialog {

struct Search {
    HWND exclude;
    HWND found = nullptr;
};

inline BOOL CALLBACK Visit(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    char className[32] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    if (hWnd != search->exclude && ::IsWindowVisible(hWnd) && std::string(className) == "#32770") {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace shown_dialog

// The first visible dialog-class window of thread `threadId` other than `exclude`, or null.
inline HWND FindShownDialog(DWORD threadId, HWND exclude) {
    shown_dialog::Search search{exclude};
    ::EnumThreadWindows(threadId, shown_dialog::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
