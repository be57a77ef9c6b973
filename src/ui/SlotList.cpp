// Slot list: Add Image, Delete All and the slot edits.
#include "ui/QuilletDlg.h"

#include "image/mono_bmp_header.h"

#include <cstdint>

namespace {

constexpr size_t kNameTail = 30;
constexpr char kNameEllipsis[] = ".....";

// The Add Image checks, in their order; the refusal message, or nullptr for an accepted file.
const char* RefusalOf(const std::string& path) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary))
        return quillet::BmpCheckMessage(quillet::BmpCheck::CannotOpen);
    if (file.GetLength() < quillet::kMonoBmpHeaderSize)
        return quillet::BmpCheckMessage(quillet::BmpCheck::TooShort);
    std::uint8_t header[quillet::kMonoBmpHeaderSize];
    if (file.Read(header, sizeof header) != sizeof header)
        return quillet::BmpCheckMessage(quillet::BmpCheck::ReadError);
    // Signature and bit depth first, then the geometry the reader cannot describe.
    quillet::MonoBmpInfo info;
    const quillet::BmpCheck check = quillet::ParseMonoBmpHeader(header, info);
    return check == quillet::BmpCheck::Ok ? nullptr : quillet::BmpCheckMessage(check);
}

} // namespace

std::string CQuilletDlg::DisplayName(const std::string& path, UINT codePage) {
    if (path.size() <= kNameTail)
        return path;
    const size_t cut = path.size() - kNameTail;
    size_t at = 0;
    while (at < cut)
        at += AfxCharLength(path, at, codePage);
    return kNameEllipsis + path.substr(at);
}

void CQuilletDlg::OnAddImage() {
    // Always the program's own folder, whatever folder the last file came from.
    const std::string initialDir = AfxPathFolder(AfxGetModulePath());
    CFileDialog dialog("*.bmp", nullptr, OFN_FILEMUSTEXIST, "Bitmap Files(*.bmp)|*.bmp|", this);
    dialog.m_ofn.lpstrInitialDir = initialDir.c_str();
    if (dialog.DoModal() != IDOK)
        return;

    m_strPickedPath = dialog.GetPathName();
    m_strPickedName = DisplayName(m_strPickedPath);
    if (const char* refusal = RefusalOf(m_strPickedPath); refusal != nullptr) {
        AfxMessageBox(refusal);
    } else {
        // A full list drops the file without a word.
        for (int slot = 0; slot < kVisibleSlots; ++slot) {
            if (m_bSlotUsed[slot] != 0)
                continue;
            m_strSlotPath[slot] = m_strPickedPath;
            m_strSlotName[slot] = m_strPickedName;
            m_bSlotUsed[slot] = 1;
            RefreshSlotEdits();
            break;
        }
    }
    UpdateData(FALSE);
}

void CQuilletDlg::OnDeleteAll() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        m_strSlotName[slot].clear();
        m_strSlotPath[slot].clear();
        m_bSlotUsed[slot] = 0;
    }
    RefreshSlotEdits();
}

void CQuilletDlg::RefreshSlotEdits() {
    for (int row = 0; row < kVisibleSlots; ++row)
        m_strSlotEdit[row] = m_strSlotName[row];
    UpdateData(FALSE);
}
