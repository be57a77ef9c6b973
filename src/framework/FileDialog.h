// The platform's file-open dialog for one file (the program saves nothing through a dialog).
#pragma once

#include "framework/Wnd.h"

#include <commdlg.h>

#include <string>

class CFileDialog {
public:
    // `filter`: pairs of "description|pattern|", e.g. "Bitmap Files(*.bmp)|*.bmp|".
    // Set m_ofn.lpstrInitialDir before DoModal to choose the starting folder.
    CFileDialog(const char* defExt, const char* fileName, DWORD flags, const char* filter,
                CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a file was confirmed, IDCANCEL otherwise.
    INT_PTR DoModal();
    // Full path of the confirmed file.
    std::string GetPathName() const { return m_fileName.c_str(); }

    OPENFILENAMEA m_ofn{};

private:
    std::string m_filter;   // '|' turned into the NULs the platform expects
    std::string m_fileName; // the dialog's result buffer
};
