#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::port {

enum class PortKind {
    Path,           // a device or file path: serial when it is a tty, else written as a file
    Tcp,            // tcp:HOST:PORT
    WindowsCom,     // COMn (Windows)
    WindowsUsb,     // usb: the first USB printer interface (Windows)
    CupsQueue,      // cups:QUEUE, a queue of the CUPS scheduler (not Windows)
    WindowsPrinter, // printer:NAME, a printer installed in Windows
};

struct PortAddress {
    std::string text; // as the user gave it, for messages
    PortKind kind = PortKind::Path;
    std::string path; // Path, WindowsCom (COM9); the queue or printer name
    std::string host; // Tcp, without brackets
    std::uint16_t tcpPort = 0;
    std::vector<std::string> addresses; // Tcp: the host's numeric addresses, once looked up
};

// Parses a --port value. On false, `why` says what is wrong with it.
bool ParsePortAddress(const std::string& text, PortAddress& address, std::string& why);

enum class Flow { None, XonXoff, RtsCts };

struct LineSettings {
    unsigned baud = 115200;
    Flow flow = Flow::None;
};

} // namespace quillet::port
