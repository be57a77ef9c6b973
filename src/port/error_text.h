#pragma once

#include <string>
#include <system_error>

namespace quillet::port {

// The system's own words for `error`, as UTF-8 (on Windows taken as UTF-16 and converted, since
// the ANSI text of a localised system is not UTF-8).
std::string ErrorText(const std::error_code& error);

} // namespace quillet::port
