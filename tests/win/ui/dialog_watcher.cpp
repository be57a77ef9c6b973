#include "dialog_watcher.h"

#include <algorithm>
#include <chrono>

namespace {

std::string WindowText(HWND hWnd) {
    char text[512] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

struct Search {
    HWND exclude;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    char className[32] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    if (hWnd != search->exclude && ::IsWindowVisible(hWnd) && std::string(className) == "#32770") {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(WindowText(hWnd));
    return TRUE;
}

} // namespace

bool SeenDialog::Shows(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

DialogWatcher::DialogWatcher(HWND mainDialog)
    : m_threadId(::GetCurrentThreadId()), m_mainDialog(mainDialog), m_thread([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
    if (m_thread.joinable())
        Stop();
}

std::vector<SeenDialog> DialogWatcher::Stop() {
    m_stop = true;
    m_thread.join();
    return m_seen;
}

void DialogWatcher::Run() {
    HWND answered = nullptr;
    while (!m_stop) {
        Search search{m_mainDialog};
        ::EnumThreadWindows(m_threadId, FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && search.found != answered) {
            SeenDialog seen;
            seen.title = WindowText(search.found);
            ::EnumChildWindows(search.found, CollectText, reinterpret_cast<LPARAM>(&seen.texts));
            seen.owner = ::GetWindow(search.found, GW_OWNER);
            seen.ownerWasEnabled = seen.owner != nullptr && ::IsWindowEnabled(seen.owner);
            m_seen.push_back(seen);
            answered = search.found;
            ::PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
