// One run of the virtual printer: the line, the decoder, the outputs and the faults on demand.
#pragma once

#include "options.h"

namespace sim {

// Returns the process exit status.
int run_session(const Options& opts);

} // namespace sim
