#pragma once

#include <ostream>
#include <span>
#include <string>

namespace quillet::logo {

// The whole command line after the program name: converts INPUT into a 1-bit BMP for Quillet.
// 0 on success (one result line on `out`), 1 when the input cannot be read or decoded or the
// output cannot be written, 2 for bad arguments (with the usage on `err`).
int RunLogoCommand(const std::string& program, std::span<const std::string> args, std::ostream& out,
                   std::ostream& err);

} // namespace quillet::logo
