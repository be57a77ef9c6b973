#include "app/QuilletApp.h"

#include "ui/QuilletDlg.h"

#include <commctrl.h>

#include <clocale>

namespace {

// Before the application object: the standard library uses the user's locale.
const struct UserLocale {
    UserLocale() { std::setlocale(LC_ALL, ""); }
} userLocale;

} // namespace

CQuilletApp theApp;

CQuilletApp::CQuilletApp() {
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

BOOL CQuilletApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    CWinApp::InitInstance();
    SetRegistryKey("Local AppWizard-Generated Applications");

    CQuilletDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
