#include "port/port_address.h"

#include <cctype>

namespace quillet::port {
namespace {

bool ParseTcpPort(const std::string& digits, std::uint16_t& port) {
    if (digits.empty() || digits.size() > 5)
        return false;
    unsigned value = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ValidHostName(const std::string& host) {
    if (host.empty() || host.size() > 253)
        return false;
    for (const char c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_')
            return false;
    }
    return true;
}

bool ParseTcp(const std::string& rest, PortAddress& address, std::string& why) {
    why = "a network printer is tcp:HOST:PORT (tcp:[IPv6]:PORT), PORT from 1 to 65535";
    std::string host;
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        const auto close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return false;
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
        if (host.empty() || host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
            return false;
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string::npos)
            return false;
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (!ValidHostName(host))
            return false;
    }
    if (!ParseTcpPort(port, address.tcpPort))
        return false;
    address.kind = PortKind::Tcp;
    address.host = host;
    why.clear();
    return true;
}

// COM1 .. COM255, any case.
bool IsComName(const std::string& text) {
    if (text.size() < 4 || text.size() > 6)
        return false;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i])
            return false;
    }
    unsigned number = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return text[3] != '0' && number >= 1 && number <= 255;
}

// Queue and printer names are taken as they are (spaces, any script); only control characters
// cannot be part of one.
bool ParseQueueName(const std::string& name, PortKind kind, PortAddress& address,
                    std::string& why) {
    const char* form = kind == PortKind::CupsQueue ? "cups:QUEUE" : "printer:NAME";
    if (name.empty()) {
        why = std::string("which one? give ") + form;
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            why = std::string("a name in ") + form + " holds no control characters";
            return false;
        }
    }
    address.kind = kind;
    address.path = name;
    return true;
}

} // namespace

bool ParsePortAddress(const std::string& text, PortAddress& address, std::string& why) {
    address = PortAddress{};
    address.text = text;
    if (text.empty()) {
        why = "the port is empty";
        return false;
    }
    if (text.rfind("tcp:", 0) == 0)
        return ParseTcp(text.substr(4), address, why);
#ifdef _WIN32
    if (text.rfind("printer:", 0) == 0)
        return ParseQueueName(text.substr(8), PortKind::WindowsPrinter, address, why);
    if (IsComName(text)) {
        address.kind = PortKind::WindowsCom;
        address.path = "COM" + text.substr(3);
        return true;
    }
    if (text == "usb" || text == "USB") {
        address.kind = PortKind::WindowsUsb;
        return true;
    }
    why = "a port is COMn, usb, printer:NAME or tcp:HOST:PORT";
    return false;
#else
    if (text.rfind("cups:", 0) == 0)
        return ParseQueueName(text.substr(5), PortKind::CupsQueue, address, why);
    if (IsComName(text)) {
        why = "COM ports are Windows names; on Linux give the device, such as /dev/ttyUSB0";
        return false;
    }
    address.kind = PortKind::Path;
    address.path = text;
    return true;
#endif
}

} // namespace quillet::port
