// Slot list: Add Image, Delete All and the slot edits.
// Placeholders until the slot list is built.
#include "ui/QuilletDlg.h"

void CQuilletDlg::OnAddImage() {}

void CQuilletDlg::OnDeleteAll() {}

void CQuilletDlg::RefreshSlotEdits() {}
