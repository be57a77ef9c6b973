#pragma once

#include "port/port_address.h"
#include "port/printer_port.h"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>

#include <chrono>
#include <memory>
#include <string>

namespace quillet::port {

// How long a network printer's name may take to be found, and then to accept the connection.
inline constexpr std::chrono::seconds kConnectTimeout{5};

struct OpenResult {
    std::unique_ptr<PrinterPort> port; // null when the open failed
    std::string why;                   // the reason, for the user
    bool notReady = false;             // a queue that is stopped or rejects jobs
};

// A network printer is opened at `address.addresses`, looked up beforehand (HostLookups).
asio::awaitable<OpenResult> OpenPort(const PortAddress& address, const LineSettings& line);

// The platform's own kinds: device paths on Linux, COMn and usb on Windows.
OpenResult OpenLocalPort(asio::any_io_executor executor, const PortAddress& address,
                         const LineSettings& line);

// The system's print queues: cups:QUEUE, and printer:NAME on Windows.
asio::awaitable<OpenResult> OpenQueuePort(const PortAddress& address);

inline bool IsQueue(const PortAddress& address) {
    return address.kind == PortKind::CupsQueue || address.kind == PortKind::WindowsPrinter;
}

} // namespace quillet::port
