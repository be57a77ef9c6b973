#include "framework/WinApp.h"

#include "framework/ModulePath.h"

namespace {

CWinApp* g_pApp = nullptr;

std::string ExecutableBaseName() {
    std::string name = AfxPathFileName(AfxGetModulePath());
    // A dot is never the second byte of a double-byte character.
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

} // namespace

CWinApp::CWinApp() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
        ::RegisterApplicationRestart(nullptr, 0);
    return TRUE;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle() {
    return ::GetModuleHandleA(nullptr);
}

const char* AfxGetAppName() {
    static const std::string name = ExecutableBaseName();
    return name.c_str();
}

HWND AfxGetOwnerWindow() {
    if (g_pApp != nullptr && g_pApp->m_pMainWnd != nullptr && g_pApp->m_pMainWnd->m_hWnd != nullptr)
        return g_pApp->m_pMainWnd->m_hWnd;
    return ::GetActiveWindow();
}

std::string AfxLoadString(UINT nID) {
    char buffer[512];
    const int length = ::LoadStringA(AfxGetInstanceHandle(), nID, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}
