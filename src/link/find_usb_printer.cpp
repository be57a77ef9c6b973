#include "printer_link.h"
#include "usb_path_choice.h"

#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {
// GUID_DEVINTERFACE_USBPRINT
constexpr GUID kUsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// Device paths of the present USB printer interfaces, in enumeration order.
std::vector<std::string> ListUsbPrinterPaths(HDEVINFO devices) {
    std::vector<std::string> paths;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(devices, nullptr, &kUsbPrintInterface, index, &interfaceData);
         ++index) {
        DWORD size = 0;
        if (SetupDiGetDeviceInterfaceDetailA(devices, &interfaceData, nullptr, 0, &size, nullptr) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
            size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
            continue;
        auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(LocalAlloc(LPTR, size));
        if (!detail)
            continue;
        // The record's own size in this process (5 in a 32-bit one, 8 in a 64-bit one).
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (SetupDiGetDeviceInterfaceDetailA(devices, &interfaceData, detail, size, nullptr,
                                             nullptr)) {
            const std::size_t room = size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
            paths.emplace_back(detail->DevicePath, strnlen(detail->DevicePath, room));
        }
        LocalFree(detail);
    }
    return paths;
}
} // namespace

int32_t PrinterLink::FindUsbPrinter(char* path) {
    m_bUsbFound = 0;
    HDEVINFO devices = SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
        return 0;
    const std::vector<std::string> paths = ListUsbPrinterPaths(devices);
    SetupDiDestroyDeviceInfoList(devices);

    const std::vector<std::string_view> views(paths.begin(), paths.end());
    if (const auto chosen = ChooseUsbPath(views)) {
        const std::string& found = paths[*chosen];
        std::memcpy(path, found.c_str(), found.size() + 1);
        m_bUsbFound = 1;
    }
    return m_bUsbFound;
}
