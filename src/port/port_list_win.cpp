// On Windows: the COM ports, the USB printer interface and every installed printer.
#include "port/installed_printers_win.h"
#include "port/port_list.h"
#include "port/wide_text_win.h"

#include "usb_printer_paths.h"

#include <windows.h>

#include <algorithm>

namespace quillet::port {
namespace {

void AddComPorts(std::vector<ListedPort>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    std::vector<ListedPort> found;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameSize = 256;
        wchar_t value[256];
        DWORD valueSize = sizeof value;
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, i, name, &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(value), &valueSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        value[std::min<DWORD>(valueSize / sizeof(wchar_t), 255)] = L'\0';
        found.push_back({Narrow(value), "serial", Narrow(name), "", false});
    }
    RegCloseKey(key);
    // COM2 before COM10.
    std::sort(found.begin(), found.end(), [](const ListedPort& a, const ListedPort& b) {
        return a.port.size() != b.port.size() ? a.port.size() < b.port.size() : a.port < b.port;
    });
    ports.insert(ports.end(), found.begin(), found.end());
}

} // namespace

PortListing ListPorts() {
    PortListing listing;
    AddComPorts(listing.ports);
    if (!ListUsbPrinterPaths().empty())
        listing.ports.push_back({"usb", "usb printer", "", "", false});
    for (const InstalledPrinter& printer : ListInstalledPrinters())
        listing.ports.push_back({"printer:" + printer.name, "printer", printer.port,
                                 PrinterStatusText(printer.status), printer.isDefault});
    return listing;
}

} // namespace quillet::port
