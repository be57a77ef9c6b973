#pragma once

#include "nv/progress_line.h"

#include <ostream>
#include <span>
#include <string>

namespace quillet::nv {

// The whole command line after the program name. Results on `out`, messages on `err`; the exit
// status: 0 done, 1 file, port or transfer failure, 2 bad command line, 3 printer not ready.
// `style`: how a progress line may be drawn on `err` (None when it is not a terminal).
int RunNvCommand(const std::string& program, std::span<const std::string> args, std::ostream& out,
                 std::ostream& err, ProgressStyle style);

} // namespace quillet::nv
