#include "port/installed_printers_win.h"

#include "port/wide_text_win.h"

#include <windows.h>

#include <winspool.h>

#include <vector>

namespace quillet::port {
namespace {

struct StatusName {
    DWORD bit;
    const char* name;
    bool stops;
};

constexpr StatusName kStatusNames[] = {
    {PRINTER_STATUS_PAUSED, "paused", true},
    {PRINTER_STATUS_OFFLINE, "offline", true},
    {PRINTER_STATUS_ERROR, "error", true},
    {PRINTER_STATUS_PAPER_OUT, "paper out", true},
    {PRINTER_STATUS_PAPER_JAM, "paper jam", true},
    {PRINTER_STATUS_DOOR_OPEN, "door open", true},
    {PRINTER_STATUS_NOT_AVAILABLE, "not available", true},
    {PRINTER_STATUS_PENDING_DELETION, "being deleted", true},
    {PRINTER_STATUS_USER_INTERVENTION, "needs attention", true},
    {PRINTER_STATUS_PRINTING, "printing", false},
    {PRINTER_STATUS_BUSY, "busy", false},
};

} // namespace

std::vector<InstalledPrinter> ListInstalledPrinters() {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<InstalledPrinter> printers;
    if (needed == 0)
        return printers;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 2, buffer.data(), needed, &needed, &count))
        return printers;
    wchar_t fallback[512] = L"";
    DWORD fallbackSize = 512;
    const bool hasDefault = GetDefaultPrinterW(fallback, &fallbackSize) != 0;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        InstalledPrinter printer;
        printer.name = Narrow(info[i].pPrinterName);
        printer.port = Narrow(info[i].pPortName);
        printer.status = info[i].Status;
        printer.isDefault = hasDefault && printer.name == Narrow(fallback);
        printers.push_back(printer);
    }
    return printers;
}

std::string PrinterStatusText(unsigned long status) {
    std::string text;
    for (const StatusName& s : kStatusNames)
        if (status & s.bit)
            text += (text.empty() ? "" : ", ") + std::string(s.name);
    return text.empty() ? "ready" : text;
}

bool PrinterStatusNotReady(unsigned long status) {
    for (const StatusName& s : kStatusNames)
        if ((status & s.bit) && s.stops)
            return true;
    return false;
}

} // namespace quillet::port
