#pragma once

#include "port/port_address.h"

#include <string>
#include <vector>

namespace quillet::port {

// What a port reaches, as keys: two ports with a key in common are one printer. A device path
// gives its device (links followed: the device number of a device file, else the file itself),
// a network printer one key per address at its port, COMn its number, usb the first USB printer.
// None when it cannot be told (a path that does not exist, a name not looked up).
std::vector<std::string> PortIdentity(const PortAddress& address);

} // namespace quillet::port
