// Printer commands: NV download, raster printing, stored-image printing and the fifteen
// configuration buttons. Placeholders until the printer commands are built.
#include "ui/QuilletDlg.h"

void CQuilletDlg::OnNvSave() {}
void CQuilletDlg::OnRasterPrintAll() {}
void CQuilletDlg::OnNvPrintAll() {}
void CQuilletDlg::OnNvPrintSelect() {}

void CQuilletDlg::OnBps9600() {}
void CQuilletDlg::OnBps19200() {}
void CQuilletDlg::OnBps115200() {}
void CQuilletDlg::OnColumns42() {}
void CQuilletDlg::OnColumns48() {}
void CQuilletDlg::OnBuzzerUse() {}
void CQuilletDlg::OnBuzzerNotUse() {}
void CQuilletDlg::OnNearUse() {}
void CQuilletDlg::OnNearNotUse() {}
void CQuilletDlg::OnCutCommand() {}
void CQuilletDlg::OnCutFull() {}
void CQuilletDlg::OnCutPartial() {}
void CQuilletDlg::OnJamUse() {}
void CQuilletDlg::OnJamNotUse() {}
void CQuilletDlg::OnFeedSet() {}
