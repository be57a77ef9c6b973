// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>

namespace quillet::port {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const wchar_t* utf16);
// The system's own text for a Windows error code.
std::string SystemMessage(unsigned long code);

} // namespace quillet::port
