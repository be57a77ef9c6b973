// Preview: the ten View buttons and the drawing into the preview frame.
// Placeholders until the preview is built.
#include "ui/QuilletDlg.h"

void CQuilletDlg::OnView1() {}
void CQuilletDlg::OnView2() {}
void CQuilletDlg::OnView3() {}
void CQuilletDlg::OnView4() {}
void CQuilletDlg::OnView5() {}
void CQuilletDlg::OnView6() {}
void CQuilletDlg::OnView7() {}
void CQuilletDlg::OnView8() {}
void CQuilletDlg::OnView9() {}
void CQuilletDlg::OnView10() {}

void CQuilletDlg::DrawPreview(std::string /*path*/) {}
