#include "usb_printer_paths.h"

#include <windows.h>

#include <setupapi.h>

#include <cstddef>
#include <cstring>

namespace {
// GUID_DEVINTERFACE_USBPRINT
constexpr GUID kUsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// Device paths of the present USB printer interfaces, in enumeration order.
std::vector<std::string> ListPaths(HDEVINFO devices) {
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

std::vector<std::string> ListUsbPrinterPaths() {
    HDEVINFO devices = SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
        return {};
    std::vector<std::string> paths = ListPaths(devices);
    SetupDiDestroyDeviceInfoList(devices);
    return paths;
}
