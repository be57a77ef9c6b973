// The fifteen buttons of the "Dovrik-7 Setting" group: one configuration packet each, a status
// line, and a responsive pause.
#include "ui/MessagePump.h"
#include "ui/PrinterMessages.h"
#include "ui/QuilletDlg.h"

#include "printer/link_sink.h"
#include "printer/setting_commands.h"

using quillet::SettingCommand;

namespace {

void SendSetting(CQuilletDlg& dlg, SettingCommand command, int32_t feedTyped = 0) {
    if (dlg.m_bPortOpen != 1)
        return;
    quillet::LinkSink port;
    if (quillet::WriteSettingCommand(port, command, feedTyped) != quillet::EncodeResult::Ok) {
        // The printer did not get the setting, so the status line must not claim it; the count
        // numbers the lines shown and stays where it is.
        AfxMessageBox(kPortWriteError);
        return;
    }
    dlg.m_strStatus = quillet::FormatSettingStatus(command, dlg.m_nCommandCount, feedTyped);
    ++dlg.m_nCommandCount;
    dlg.UpdateData(FALSE);
    WaitWithMessagePump(static_cast<DWORD>(dlg.m_nCommandDelayMs));
}

} // namespace

void CQuilletDlg::OnBps9600() {
    SendSetting(*this, SettingCommand::Bps9600);
}
void CQuilletDlg::OnBps19200() {
    SendSetting(*this, SettingCommand::Bps19200);
}
void CQuilletDlg::OnBps115200() {
    SendSetting(*this, SettingCommand::Bps115200);
}
void CQuilletDlg::OnColumns42() {
    SendSetting(*this, SettingCommand::Columns42);
}
void CQuilletDlg::OnColumns48() {
    SendSetting(*this, SettingCommand::Columns48);
}
void CQuilletDlg::OnBuzzerUse() {
    SendSetting(*this, SettingCommand::BuzzerUse);
}
void CQuilletDlg::OnBuzzerNotUse() {
    SendSetting(*this, SettingCommand::BuzzerNotUse);
}
void CQuilletDlg::OnNearUse() {
    SendSetting(*this, SettingCommand::NearUse);
}
void CQuilletDlg::OnNearNotUse() {
    SendSetting(*this, SettingCommand::NearNotUse);
}
void CQuilletDlg::OnCutCommand() {
    SendSetting(*this, SettingCommand::CutCommand);
}
void CQuilletDlg::OnCutFull() {
    SendSetting(*this, SettingCommand::CutFull);
}
void CQuilletDlg::OnCutPartial() {
    SendSetting(*this, SettingCommand::CutPartial);
}
void CQuilletDlg::OnJamUse() {
    SendSetting(*this, SettingCommand::JamUse);
}
void CQuilletDlg::OnJamNotUse() {
    SendSetting(*this, SettingCommand::JamNotUse);
}

void CQuilletDlg::OnFeedSet() {
    // The edit itself, signed, before the port test; only its low 8 bits are sent.
    const auto typed =
        static_cast<int32_t>(::GetDlgItemInt(m_hWnd, IDC_EDIT_FEED_MM, nullptr, TRUE));
    SendSetting(*this, SettingCommand::FeedSet, typed);
}
