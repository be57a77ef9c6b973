#include "framework/MessageBox.h"

#include "framework/WinApp.h"

int AfxMessageBox(const char* text) {
    HWND owner = nullptr;
    if (const CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr)
        owner = app->m_pMainWnd->m_hWnd;
    if (owner == nullptr)
        owner = ::GetActiveWindow();
    return ::MessageBoxA(owner, text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
}
