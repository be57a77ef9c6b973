// COMn and the USB printer interface on Windows, both overlapped handles under Asio.
#include "port/open_port.h"

#include "port/error_text.h"
#include "port/serial_settings.h"
#include "port/stream_port.h"

#include "usb_path_choice.h"
#include "usb_printer_paths.h"

#include <asio/serial_port.hpp>
#include <asio/windows/stream_handle.hpp>

#include <windows.h>

#include <string_view>
#include <vector>

namespace quillet::port {
namespace {

std::string OpenError(const std::string& name, const std::error_code& error) {
    switch (error.value()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "cannot open " + name + ": no such port (is the printer connected?)";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return "cannot open " + name + ": busy (another program has it open)";
    default:
        return "cannot open " + name + ": " + ErrorText(error);
    }
}

OpenResult OpenCom(asio::any_io_executor executor, const std::string& name,
                   const LineSettings& line) {
    using sp = asio::serial_port;
    sp serial(executor);
    std::error_code error;
    serial.open("\\\\.\\" + name, error);
    if (error)
        return {nullptr, OpenError(name, error)};
    error = ApplyLineSettings(serial, line);
    if (error)
        return {nullptr, "cannot set up " + name + ": " + ErrorText(error)};
    const StreamTraits traits{true, line.flow == Flow::None, false};
    auto discard = [](sp& port) { PurgeComm(port.native_handle(), PURGE_TXABORT | PURGE_TXCLEAR); };
    return {std::make_unique<StreamPort<sp>>(std::move(serial), traits, discard), {}};
}

OpenResult OpenUsb(asio::any_io_executor executor) {
    const std::vector<std::string> paths = ListUsbPrinterPaths();
    const std::vector<std::string_view> views(paths.begin(), paths.end());
    const auto chosen = ChooseUsbPath(views);
    if (!chosen)
        return {nullptr, "no USB printer found (is it connected and switched on?)"};
    // Not shared: one job per printer, as a COM port is.
    const HANDLE handle = CreateFileA(paths[*chosen].c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {nullptr,
                OpenError("the USB printer", std::error_code(static_cast<int>(GetLastError()),
                                                             std::system_category()))};
    asio::windows::stream_handle stream(executor);
    std::error_code error;
    stream.assign(handle, error);
    if (error) {
        CloseHandle(handle);
        return {nullptr, "cannot open the USB printer: " + ErrorText(error)};
    }
    // A one-way printer's interface refuses ReadFile: the port is then write-only.
    const StreamTraits traits{true, false, true};
    return {std::make_unique<StreamPort<asio::windows::stream_handle>>(std::move(stream), traits),
            {}};
}

} // namespace

OpenResult OpenLocalPort(asio::any_io_executor executor, const PortAddress& address,
                         const LineSettings& line) {
    if (address.kind == PortKind::WindowsUsb)
        return OpenUsb(executor);
    return OpenCom(executor, address.path, line);
}

} // namespace quillet::port
