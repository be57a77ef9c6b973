#include "dialog_watcher.h"
#include "shown_dialog.h"

#include <algorithm>
#include <chrono>

namespace {

std::string WindowText(HWND hWnd) {
    char text[512] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(WindowText(hWnd));
    return TRUE;
}

} // namespace

bool SeenDialog::Shows(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

DialogWatcher::DialogWatcher(HWND mainDialog, std::function<int()> probe)
    : m_threadId(::GetCurrentThreadId()), m_mainDialog(mainDialog), m_probe(std::move(probe)),
      m_thread([this] { Run(); }) {}

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
        const HWND found = FindShownDialog(m_threadId, m_mainDialog);
        if (found != nullptr && found != answered) {
            SeenDialog seen;
            seen.title = WindowText(found);
            ::EnumChildWindows(found, CollectText, reinterpret_cast<LPARAM>(&seen.texts));
            seen.owner = ::GetWindow(found, GW_OWNER);
            seen.ownerWasEnabled = seen.owner != nullptr && ::IsWindowEnabled(seen.owner);
            if (m_probe)
                seen.probed = m_probe();
            m_seen.push_back(seen);
            answered = found;
            ::PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
