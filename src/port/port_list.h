// Every port this machine offers a printer job, with what it is.
#pragma once

#include <string>
#include <vector>

namespace quillet::port {

struct ListedPort {
    std::string port;   // what --port takes
    std::string kind;   // "serial", "usb printer", "cups queue", "printer", ...
    std::string detail; // the device a link points at, a queue's device URI, a printer's port
    std::string state;  // a queue's or printer's state; empty for devices
    bool isDefault = false;
};

struct PortListing {
    std::vector<ListedPort> ports;
    std::string note; // the print service could not be asked, and why; empty when it could
};

PortListing ListPorts();

} // namespace quillet::port
