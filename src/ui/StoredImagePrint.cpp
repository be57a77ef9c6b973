// "Quillet All Print" and "Select Print": printing images stored in the printer (FS p).
#include "ui/PrinterMessages.h"
#include "ui/QuilletDlg.h"

#include "printer/link_sink.h"
#include "printer/nv_print_commands.h"

namespace {
constexpr char kPrintNumberRange[] = " n = 1 ~ 255";
} // namespace

void CQuilletDlg::OnNvPrintAll() {
    if (m_bPortOpen != 1)
        return;
    quillet::LinkSink port;
    if (quillet::WriteNvPrintAll(port) != quillet::EncodeResult::Ok)
        AfxMessageBox(kPortWriteError);
}

void CQuilletDlg::OnNvPrintSelect() {
    if (m_bPortOpen != 1)
        return;
    // A refused Number has shown its message and kept the previous number, which is printed.
    UpdateData(TRUE);
    if (m_nPrintNumber == 0) {
        AfxMessageBox(kPrintNumberRange);
        return;
    }
    quillet::LinkSink port;
    if (quillet::WriteNvPrintSelect(port, m_nPrintNumber) != quillet::EncodeResult::Ok)
        AfxMessageBox(kPortWriteError);
}
