// Application object: the one static instance that WinMain drives.
#pragma once

#include "framework/Wnd.h"

#include <string>

// Restart-manager support flags (m_dwRestartManagerSupportFlags).
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

class CWinApp {
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Runs the program. A dialog application runs its dialog here and returns FALSE; the
    // framework has no message loop of its own, so the program ends after InitInstance.
    virtual BOOL InitInstance();

    // Names the registry root for settings. The program keeps no settings, so nothing is stored.
    void SetRegistryKey(const char* /*key*/) {}

    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The executable's file name without directory and extension; message boxes carry it as title.
const char* AfxGetAppName();
// Owner for modal windows: the main window, or the thread's active window when there is none.
HWND AfxGetOwnerWindow();
// String resource `nID`, or "" when there is none.
std::string AfxLoadString(UINT nID);
