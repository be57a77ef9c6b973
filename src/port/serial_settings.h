#pragma once

#include "port/port_address.h"

#include <asio/serial_port.hpp>

#include <system_error>

namespace quillet::port {

// 8N1 at the chosen speed and flow control.
std::error_code ApplyLineSettings(asio::serial_port& serial, const LineSettings& line);

} // namespace quillet::port
