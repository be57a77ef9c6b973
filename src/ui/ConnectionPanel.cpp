// Connection panel: port list, Port Open and Port Close.
// Placeholders until the printer link is built; only the fixed "USB" entry is listed so far.
#include "ui/QuilletDlg.h"

void CQuilletDlg::FillPortList() {
    m_comboPort.ResetContent();
    m_comboPort.AddString("USB");
}

void CQuilletDlg::OnDropdownPort() {}

void CQuilletDlg::OnPortOpen() {}

void CQuilletDlg::OnPortClose() {}
