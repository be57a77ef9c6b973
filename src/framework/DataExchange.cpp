#include "framework/DataExchange.h"

#include "framework/Dialog.h"
#include "framework/MessageBox.h"

#include <cstdio>

namespace {

const char kByteRangeMessage[] = "Enter an integer between 0 and 255.";

bool IsEdit(HWND hWnd) {
    char className[16] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    return ::lstrcmpiA(className, "Edit") == 0;
}

} // namespace

void CDataExchange::Fail(HWND hWndCtrl) {
    m_bFailed = true;
    ::SetFocus(hWndCtrl);
    if (IsEdit(hWndCtrl))
        ::SendMessageA(hWndCtrl, EM_SETSEL, 0, -1);
}

bool ParseByteText(const char* text, BYTE& value) {
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text < '0' || *text > '9')
        return false;
    unsigned number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        number = number * 10 + static_cast<unsigned>(*text - '0');
        if (number > 255)
            return false;
    }
    value = static_cast<BYTE>(number);
    return true;
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    if (pDX->m_bFailed)
        return;
    if (pDX->m_bSaveAndValidate)
        value = pDX->m_pDlgWnd->GetItemText(nIDC);
    else
        pDX->m_pDlgWnd->SetItemText(nIDC, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value) {
    if (pDX->m_bFailed)
        return;
    if (!pDX->m_bSaveAndValidate) {
        char text[4];
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
        pDX->m_pDlgWnd->SetItemText(nIDC, text);
        return;
    }
    BYTE number = 0;
    if (ParseByteText(pDX->m_pDlgWnd->GetItemText(nIDC).c_str(), number)) {
        value = number;
        return;
    }
    AfxMessageBox(kByteRangeMessage);
    pDX->Fail(pDX->m_pDlgWnd->GetDlgItem(nIDC));
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (pDX->m_bFailed || control.m_hWnd != nullptr)
        return;
    control.Attach(pDX->m_pDlgWnd->GetDlgItem(nIDC));
}
