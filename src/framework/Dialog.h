// Dialog base: a dialog from a template, one dialog procedure for all dialogs, a command table
// that routes notifications to member handlers, and data exchange with the controls.
#pragma once

#include "framework/Wnd.h"

#include <span>
#include <string>

class CDataExchange;
class CDialogEx;

// One row of a dialog's command table. Build rows with the helpers below, never by hand.
struct MessageEntry {
    UINT message; // WM_COMMAND, WM_SYSCOMMAND, WM_PAINT or WM_QUERYDRAGICON
    UINT code;    // notification code, for WM_COMMAND
    UINT id;      // control identifier, for WM_COMMAND
    void (CDialogEx::*onCommand)();
    void (CDialogEx::*onSysCommand)(UINT nID, LPARAM lParam);
    HCURSOR (CDialogEx::*onQueryDragIcon)();
};

class CDialogEx : public CWnd {
public:
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    CDialogEx(const CDialogEx&) = delete;
    CDialogEx& operator=(const CDialogEx&) = delete;
    virtual ~CDialogEx();

    // Runs the dialog modally; returns the result given to EndDialog, or -1 if it could not start.
    INT_PTR DoModal();
    // Creates the dialog modeless (tests drive the real dialog this way); FALSE on failure.
    BOOL Create(HWND hWndParent);
    void DestroyWindow();
    void EndDialog(int nResult);

    // FALSE: state record to controls. TRUE: controls to state record; FALSE returned when a
    // value was refused (the exchange stops at that control).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void EnableItem(int nID, BOOL bEnable) { ::EnableWindow(GetDlgItem(nID), bEnable); }
    void SetItemText(int nID, const std::string& text) {
        ::SetDlgItemTextA(m_hWnd, nID, text.c_str());
    }
    std::string GetItemText(int nID) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);

protected:
    virtual std::span<const MessageEntry> GetMessageMap() const { return {}; }
    virtual void DoDataExchange(CDataExchange*) {}
    // Copies the state record to the controls; TRUE lets the platform focus the first tab stop.
    virtual BOOL OnInitDialog();
    // UpdateData(TRUE), then EndDialog(IDOK) only if the exchange succeeded.
    virtual void OnOK();
    virtual void OnCancel();

    // Default processing, for handlers that pass a message on.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    const MessageEntry* FindEntry(UINT message, UINT code, UINT id) const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// Command table rows. `D` is the dialog class that owns the handler.
template <class D> constexpr MessageEntry BnClicked(UINT nID, void (D::*handler)()) {
    return {WM_COMMAND, BN_CLICKED, nID, static_cast<void (CDialogEx::*)()>(handler),
            nullptr,    nullptr};
}

template <class D> constexpr MessageEntry CbnDropdown(UINT nID, void (D::*handler)()) {
    return {WM_COMMAND, CBN_DROPDOWN, nID, static_cast<void (CDialogEx::*)()>(handler),
            nullptr,    nullptr};
}

template <class D> constexpr MessageEntry WmSysCommand(void (D::*handler)(UINT, LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0, nullptr, static_cast<void (CDialogEx::*)(UINT, LPARAM)>(handler),
            nullptr};
}

template <class D> constexpr MessageEntry WmPaint(void (D::*handler)()) {
    return {WM_PAINT, 0, 0, static_cast<void (CDialogEx::*)()>(handler), nullptr, nullptr};
}

template <class D> constexpr MessageEntry WmQueryDragIcon(HCURSOR (D::*handler)()) {
    return {WM_QUERYDRAGICON, 0,       0,
            nullptr,          nullptr, static_cast<HCURSOR (CDialogEx::*)()>(handler)};
}
