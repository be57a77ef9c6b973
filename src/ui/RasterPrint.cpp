// "All Print(GS v Command)": every used slot's picture printed directly as a raster image, each
// followed by the print trailer (feed and cut).
#include "ui/PrinterMessages.h"
#include "ui/QuilletDlg.h"

#include "printer/link_sink.h"
#include "printer/nv_print_commands.h"
#include "printer/raster_print.h"

void CQuilletDlg::OnRasterPrintAll() {
    if (m_bPortOpen != 1)
        return;
    quillet::LinkSink port;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_bSlotUsed[slot] == 0)
            continue;
        // A refused picture still gets its trailer: the printer cuts an empty piece.
        quillet::PrintRasterImage(m_strSlotPath[slot].c_str(), port);
        quillet::WritePrintTrailer(port);
        if (port.Failed()) {
            AfxMessageBox(kPortWriteError);
            return;
        }
    }
}
