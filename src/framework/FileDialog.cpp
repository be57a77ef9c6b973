#include "framework/FileDialog.h"

#include "framework/WinApp.h"

#include <string_view>

namespace {
constexpr size_t kFileNameBufferSize = 4096;
}

CFileDialog::CFileDialog(const char* defExt, const char* fileName, DWORD flags, const char* filter,
                         CWnd* pParentWnd)
    : m_fileName(kFileNameBufferSize, '\0') {
    if (filter != nullptr) {
        m_filter = filter;
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
        m_filter.push_back('\0'); // the list ends with an empty string
    }
    if (fileName != nullptr) {
        const std::string_view initial =
            std::string_view(fileName).substr(0, kFileNameBufferSize - 1);
        m_fileName.replace(0, initial.size(), initial);
    }

    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrFile = m_fileName.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileName.size());
    m_ofn.lpstrDefExt = defExt;
    m_ofn.Flags = flags;
}

INT_PTR CFileDialog::DoModal() {
    if (m_ofn.hwndOwner == nullptr)
        m_ofn.hwndOwner = AfxGetOwnerWindow();
    return ::GetOpenFileNameA(&m_ofn) ? IDOK : IDCANCEL;
}
