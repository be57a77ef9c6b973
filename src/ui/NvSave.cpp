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

using Pictures = std::array<quillet::MonoBmp, CQuilletDlg::kSlotCount>;

// After each step: the controls show the state record again; the port buttons stay connected.
void RefreshControls(CQuilletDlg& dlg) {
    dlg.UpdateData(FALSE);
    dlg.EnableItem(IDC_BTN_PORT_OPEN, FALSE);
    dlg.EnableItem(IDC_BTN_PORT_CLOSE, TRUE);
}

// FS q erases every stored image, so every used slot's picture is checked and read into memory
// before a byte is written anywhere. The header check refuses a too tall picture without reading
// it; the read repeats all checks on what it actually reads, so a file changed since its check
// is judged by what it has become. Afterwards the files play no part.
quillet::BmpCheck ReadPictures(const CQuilletDlg& dlg, Pictures& pictures) {
    for (int slot = 0; slot < CQuilletDlg::kSlotCount; ++slot) {
        if (dlg.m_bSlotUsed[slot] == 0)
            continue;
        const char* path = dlg.m_strSlotPath[slot].c_str();
        quillet::BmpCheck check = quillet::CheckNvImageFile(path);
        if (check == quillet::BmpCheck::Ok)
            check = pictures[slot].Read(path);
        if (check == quillet::BmpCheck::Ok)
            check = quillet::CheckNvGeometry(pictures[slot].Info());
        if (check != quillet::BmpCheck::Ok)
            return check;
    }
    return quillet::BmpCheck::Ok;
}

} // namespace

void CQuilletDlg::OnNvSave() {
    if (m_bPortOpen != 1)
        return;

    Pictures pictures;
    if (const quillet::BmpCheck check = ReadPictures(*this, pictures);
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

    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_bSlotUsed[slot] == 0)
            continue;
        quillet::WriteNvImageBlock(stream, pictures[slot]);
        RefreshControls(*this);
        m_progress.SetPos(slot + 1);
    }
    m_fileNvSave.Close();

    if (port.Failed())
        AfxMessageBox(kPortWriteError);
    if (file.Failed())
        AfxMessageBox(kNvSaveError);
    if (!port.Failed() && !file.Failed())
        AfxMessageBox(kNvSaveDone);
}
