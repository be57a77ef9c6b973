#include "framework/Dialog.h"

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialogEx::~CDialogEx() {
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialogEx::DoModal() {
    const HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : AfxGetOwnerWindow();
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialogEx::Create(HWND hWndParent) {
    return ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hWndParent,
                                DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialogEx::DestroyWindow() {
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);
}

void CDialogEx::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialogEx::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

std::string CDialogEx::GetItemText(int nID) const {
    const HWND item = GetDlgItem(nID);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

HICON CDialogEx::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(::SendMessageA(
        m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CDialogEx::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialogEx::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialogEx::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialogEx::OnSysCommand(UINT nID, LPARAM lParam) {
    ::DefWindowProcA(m_hWnd, WM_SYSCOMMAND, nID, lParam);
}

void CDialogEx::OnPaint() {
    ::DefWindowProcA(m_hWnd, WM_PAINT, 0, 0);
}

const MessageEntry* CDialogEx::FindEntry(UINT message, UINT code, UINT id) const {
    for (const MessageEntry& entry : GetMessageMap()) {
        if (entry.message != message)
            continue;
        if (message != WM_COMMAND || (entry.code == code && entry.id == id))
            return &entry;
    }
    return nullptr;
}

INT_PTR CDialogEx::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        // Menu items and accelerators (no control handle) count as clicks, as the default
        // button's command from the Enter key does.
        const UINT code = lParam == 0 ? BN_CLICKED : HIWORD(wParam);
        if (const MessageEntry* entry = FindEntry(WM_COMMAND, code, id)) {
            (this->*entry->onCommand)();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_SYSCOMMAND:
        if (const MessageEntry* entry = FindEntry(WM_SYSCOMMAND, 0, 0)) {
            (this->*entry->onSysCommand)(static_cast<UINT>(wParam), lParam);
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        if (const MessageEntry* entry = FindEntry(WM_PAINT, 0, 0)) {
            (this->*entry->onCommand)();
            return TRUE;
        }
        return FALSE;
    case WM_QUERYDRAGICON:
        // The one message whose result is the procedure's return value itself.
        if (const MessageEntry* entry = FindEntry(WM_QUERYDRAGICON, 0, 0))
            return reinterpret_cast<INT_PTR>((this->*entry->onQueryDragIcon)());
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CDialogEx::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<CDialogEx*>(lParam);
            ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
            dialog->m_hWnd = hWnd;
            return dialog->OnInitDialog();
        }
        auto* dialog = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
        if (dialog == nullptr)
            return FALSE;
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
            dialog->m_hWnd = nullptr;
            return FALSE;
        }
        return dialog->Dispatch(message, wParam, lParam);
    } catch (...) {
        // An exception must not unwind through the window manager; the message gets the
        // default processing instead.
        ::OutputDebugStringA("Quillet: exception in a dialog handler\n");
        return FALSE;
    }
}
