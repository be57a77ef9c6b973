#include "file_dialog_answerer.h"
#include "shown_dialog.h"

#include <commdlg.h>
#include <dlgs.h>

#include <chrono>

namespace {

// The file name field: the edit of combo box cmb13 (explorer style) or edit edt1.
HWND FileNameField(HWND dialog) {
    if (const HWND combo = ::GetDlgItem(dialog, cmb13); combo != nullptr) {
        const HWND edit = ::FindWindowExA(combo, nullptr, "Edit", nullptr);
        return edit != nullptr ? edit : combo;
    }
    return ::GetDlgItem(dialog, edt1);
}

// A message box's text: its static control with the id the platform gives it.
std::string MessageText(HWND box) {
    char text[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

} // namespace

FileDialogAnswerer::FileDialogAnswerer(HWND mainDialog, std::string path)
    : m_threadId(::GetCurrentThreadId()), m_mainDialog(mainDialog), m_path(std::move(path)),
      m_thread([this] { Run(); }) {}

FileDialogAnswerer::~FileDialogAnswerer() {
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
}

void FileDialogAnswerer::Stop(std::vector<FileDialogVisit>& visits,
                              std::vector<std::string>& messages) {
    m_stop = true;
    m_thread.join();
    visits = m_visits;
    messages = m_messages;
}

void FileDialogAnswerer::Run() {
    HWND answered = nullptr;
    while (!m_stop) {
        const HWND found = FindShownDialog(m_threadId, m_mainDialog);
        if (found != nullptr && found != answered) {
            if (const HWND field = FileNameField(found); field != nullptr) {
                char folder[MAX_PATH] = {};
                ::SendMessageA(found, CDM_GETFOLDERPATH, sizeof folder,
                               reinterpret_cast<LPARAM>(folder));
                m_visits.push_back({folder});
                if (m_path.empty()) {
                    ::PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                } else {
                    ::SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_path.c_str()));
                    ::PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                }
            } else {
                m_messages.push_back(MessageText(found));
                ::PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            answered = found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
