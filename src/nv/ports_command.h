// quillet-nv ports: every port a job could use, one a line (or one JSON object each).
#pragma once

#include <ostream>
#include <string>

namespace quillet::nv {

int RunPortsCommand(const std::string& program, bool json, std::ostream& out, std::ostream& err);

} // namespace quillet::nv
