#include "framework/Wnd.h"

#include <commctrl.h>

int CComboBox::AddString(const char* text) {
    return static_cast<int>(
        ::SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::GetCount() const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0));
}

int CComboBox::GetCurSel() const {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0));
}

int CComboBox::SetCurSel(int index) {
    return static_cast<int>(::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void CComboBox::GetLBText(int index, std::string& text) const {
    text.clear();
    const LRESULT length = ::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return;
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = ::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(buffer.data()));
    if (copied != CB_ERR)
        text.assign(buffer.data(), static_cast<size_t>(copied));
}

void CProgressCtrl::SetRange(short nLower, short nUpper) {
    ::SendMessageA(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
}

int CProgressCtrl::SetPos(int nPos) {
    return static_cast<int>(::SendMessageA(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(nPos), 0));
}
