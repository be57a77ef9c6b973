// "Quilets Save": the pictures of all used slots into the printer's NV image memory with one
// FS q, and the same stream into "NvSave.BIN".
#include "ui/PrinterMessages.h"
#include "ui/QuilletDlg.h"

#include "image/mono_bmp.h"
#include "printer/nv_image_encoder.h"
#include "printer/nv_stream_sink.h"

#include <array>

namespace {

constexpr char kNvSaveFileName[] = "NvSave.BIN";
constexpr char kNvSaveDone[] = "Transe Finish !!!";

using SlotChecks = std::array<quillet::BmpCheck, CQuilletDlg::kSlotCount>;
using SlotGeometry = std::array<quillet::MonoBmpInfo, CQuilletDlg::kSlotCount>;

// After each step: the controls show the state record again; the port buttons stay connected.
void RefreshControls(CQuilletDlg& dlg) {
    dlg.UpdateData(FALSE);
    dlg.EnableItem(IDC_BTN_PORT_OPEN, FALSE);
    dlg.EnableItem(IDC_BTN_PORT_CLOSE, TRUE);
}

// FS q erases every stored image, so every used slot's file is checked before a byte is written
// anywhere; only the headers are read here, the pictures one at a time while streaming.
quillet::BmpCheck CheckPictures(const CQuilletDlg& dlg, SlotGeometry& geometry) {
    for (int slot = 0; slot < CQuilletDlg::kSlotCount; ++slot) {
        if (dlg.m_bSlotUsed[slot] == 0)
            continue;
        const quillet::BmpCheck check =
            quillet::CheckNvImageFile(dlg.m_strSlotPath[slot].c_str(), geometry[slot]);
        if (check != quillet::BmpCheck::Ok)
            return check;
    }
    return quillet::BmpCheck::Ok;
}

} // namespace

void CQuilletDlg::OnNvSave() {
    if (m_bPortOpen != 1)
        return;

    SlotGeometry geometry{};
    if (const quillet::BmpCheck check = CheckPictures(*this, geometry);
        check != quillet::BmpCheck::Ok) {
        AfxMessageBox(quillet::BmpCheckMessage(check));
        RefreshControls(*this);
        return;
    }
    if (!m_fileNvSave.Open(kNvSaveFileName,
                           CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) {
        AfxMessageBox(kNvSaveError);
        RefreshControls(*this);
        return;
    }

    int used = 0;
    for (int slot = 0; slot < kSlotCount; ++slot)
        used += m_bSlotUsed[slot] != 0 ? 1 : 0;

    quillet::LinkSink port;
    quillet::FileSink file(m_fileNvSave);
    quillet::NvStreamSink stream(port, file);
    const auto count = static_cast<std::uint8_t>(used);
    quillet::WriteNvStreamHeader(file, count);
    quillet::WriteNvStreamHeader(port, count);
    m_progress.SetRange(0, static_cast<short>(used));

    // A file that changed since its check still gets a block, blank and of the checked size, so
    // that the printer receives as many blocks as the header announced.
    SlotChecks reads{};
    quillet::MonoBmp picture; // each Read drops the picture before
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_bSlotUsed[slot] == 0)
            continue;
        reads[slot] =
            quillet::ReadCheckedNvPicture(m_strSlotPath[slot].c_str(), geometry[slot], picture);
        if (reads[slot] == quillet::BmpCheck::Ok)
            quillet::WriteNvImageBlock(stream, picture, m_byNvColumns);
        else
            quillet::WriteNvBlankBlock(stream, geometry[slot], m_byNvColumns);
        RefreshControls(*this);
        m_progress.SetPos(slot + 1);
    }
    m_fileNvSave.Close();

    bool failed = port.Failed() || file.Failed();
    for (const quillet::BmpCheck read : reads) {
        if (read != quillet::BmpCheck::Ok) {
            AfxMessageBox(quillet::BmpCheckMessage(read));
            failed = true;
        }
    }
    if (port.Failed())
        AfxMessageBox(kPortWriteError);
    if (file.Failed())
        AfxMessageBox(kNvSaveError);
    if (!failed)
        AfxMessageBox(kNvSaveDone);
}
