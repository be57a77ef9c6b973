// Data exchange between a dialog's state record and its controls (DoDataExchange helpers).
#pragma once

#include "framework/Wnd.h"

#include <string>

class CDialogEx;

class CDataExchange {
public:
    CDataExchange(CDialogEx* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // Shows nothing itself: puts the focus on the refused control, selects an edit's text and
    // stops the rest of the exchange.
    void Fail(HWND hWndCtrl);

    BOOL m_bSaveAndValidate; // TRUE: controls to members
    CDialogEx* m_pDlgWnd;
    bool m_bFailed = false; // once set, every later DDX_ call does nothing
};

// Whole text of an edit.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// Unsigned 8-bit number; on the way in, a whole number 0..255 after optional blanks, anything
// after its digits ignored ("12abc" is 12). Anything else is refused with a message box.
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
// Binds the control object to the control the first time; nothing afterwards.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

// The number rule of DDX_Text for BYTE; false when the text is refused.
bool ParseByteText(const char* text, BYTE& value);
