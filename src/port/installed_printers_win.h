// The printers installed in Windows, as EnumPrinters gives them.
#pragma once

#include <string>
#include <vector>

namespace quillet::port {

struct InstalledPrinter {
    std::string name;
    std::string port;
    unsigned long status = 0; // PRINTER_STATUS_* bits
    bool isDefault = false;
};

std::vector<InstalledPrinter> ListInstalledPrinters();
// "ready", or the states the status bits name ("paused, offline").
std::string PrinterStatusText(unsigned long status);
// The states that keep a job from printing now.
bool PrinterStatusNotReady(unsigned long status);

} // namespace quillet::port
