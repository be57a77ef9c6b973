// Window and control wrappers: a window handle with the few operations the dialog code uses.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    HWND m_hWnd = nullptr;

    void Attach(HWND hWnd) { m_hWnd = hWnd; }

    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ScreenToClient(RECT* rect) const {
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
    }
    HDC GetDC() const { return ::GetDC(m_hWnd); }
    int ReleaseDC(HDC hDC) const { return ::ReleaseDC(m_hWnd, hDC); }
};

class CComboBox : public CWnd {
public:
    void ResetContent() { ::SendMessageA(m_hWnd, CB_RESETCONTENT, 0, 0); }
    int AddString(const char* text);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    // Copies entry `index` into `text`; an index without an entry gives "".
    void GetLBText(int index, std::string& text) const;
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper);
    int SetPos(int nPos);
};

class CStatic : public CWnd {};
