#include "printer_link.h"
#include "usb_path_choice.h"
#include "usb_printer_paths.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

int32_t PrinterLink::FindUsbPrinter(char* path) {
    m_bUsbFound = 0;
    const std::vector<std::string> paths = ListUsbPrinterPaths();

    const std::vector<std::string_view> views(paths.begin(), paths.end());
    if (const auto chosen = ChooseUsbPath(views)) {
        const std::string& found = paths[*chosen];
        std::memcpy(path, found.c_str(), found.size() + 1);
        m_bUsbFound = 1;
    }
    return m_bUsbFound;
}
