// Connection panel: the port list, Port Open and Port Close.
#include "ui/PortText.h"
#include "ui/QuilletDlg.h"

#include "link/printer_link.h"

#include <algorithm>

namespace {

constexpr char kSerialPortsKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The port name held as the data of one SERIALCOMM value.
std::string ReadPortText(HKEY key, const char* valueName) {
    char data[kPortDataBuffer] = {};
    DWORD size = sizeof data;
    const LONG status =
        ::RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    if (status != ERROR_MORE_DATA)
        return PortTextFromData(data, sizeof data);
    // Data too long for the buffer leave it undefined: read them whole and keep their start.
    std::string whole(size, '\0');
    if (::RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(whole.data()),
                           &size) != ERROR_SUCCESS)
        return PortTextFromData(data, sizeof data);
    return PortTextFromData(whole.data(), std::min<std::size_t>(size, whole.size()));
}

// Starts ReceiveThread and hands it to the link, which joins it on close. On failure the link
// is closed again.
bool StartReceiver() {
    const HANDLE worker = AfxBeginThread(ReceiveThread, nullptr);
    if (worker == nullptr) {
        g_link.ClosePort();
        return false;
    }
    const bool adopted = g_link.AdoptWorker(worker) == 0;
    ::CloseHandle(worker);
    if (!adopted)
        g_link.ClosePort();
    return adopted;
}

void ShowPortError(const std::string& portText) {
    AfxMessageBox(("Error : Port " + portText).c_str());
}

} // namespace

void CQuilletDlg::FillPortList() {
    HKEY key = nullptr;
    const bool opened = ::RegOpenKeyA(HKEY_LOCAL_MACHINE, kSerialPortsKey, &key) == ERROR_SUCCESS;
    m_comboPort.ResetContent();
    m_comboPort.AddString("USB");
    if (!opened)
        return;
    for (DWORD index = 0;; ++index) {
        char valueName[100] = {};
        DWORD nameSize = sizeof valueName;
        if (::RegEnumValueA(key, index, valueName, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        m_comboPort.AddString(ReadPortText(key, valueName).c_str());
    }
    ::RegCloseKey(key);
}

void CQuilletDlg::OnDropdownPort() {
    FillPortList();
    m_comboPort.SetCurSel(m_comboPort.GetCount() - 1);
}

void CQuilletDlg::OnPortOpen() {
    // A refused Number value has shown its prompt; opening the port goes on regardless.
    UpdateData(TRUE);

    const int portIndex = m_comboPort.GetCurSel();
    const int bpsIndex = m_comboBps.GetCurSel();
    std::string portText;
    m_comboPort.GetLBText(portIndex, portText);
    std::string bpsText;
    m_comboBps.GetLBText(bpsIndex, bpsText);
    const int port = PortNumberFromText(portText);
    const int baud = NumberFromText(bpsText);
    const int flow = m_comboFlow.GetCurSel();

    if (m_bPortOpen == 1)
        return;

    // Only a chosen entry names a port or a speed; text typed into a box opens nothing. The
    // message names the port the operator sees, as every Port Open message does.
    if (portIndex < 0 || bpsIndex < 0) {
        ShowPortError(GetItemText(IDC_COMBO_PORT));
        m_bPortOpen = 0;
        return;
    }

    if (g_link.OpenPort(port, baud, flow) == 0 && StartReceiver()) {
        m_bPortOpen = 1;
        EnableItem(IDC_BTN_PORT_OPEN, FALSE);
        EnableItem(IDC_BTN_PORT_CLOSE, TRUE);
        return;
    }
    ShowPortError(portText);
    m_bPortOpen = 0;
}

void CQuilletDlg::OnPortClose() {
    g_link.ClosePort();
    m_bPortOpen = 0;
    EnableItem(IDC_BTN_PORT_OPEN, TRUE);
    EnableItem(IDC_BTN_PORT_CLOSE, FALSE);
}
