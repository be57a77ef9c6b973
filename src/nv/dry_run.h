// --dry-run: what a job would do on each printer, from its files read, checked and converted,
// with no port opened and no file written.
#pragma once

#include "nv/job_payload.h"
#include "nv/nv_options.h"

#include <ostream>
#include <string>

namespace quillet::nv {

// One line (or JSON object) per printer; the exit status a run would start with.
int RunDryRun(const std::string& program, const NvOptions& options, const Payload& payload,
              std::ostream& out, std::ostream& err);

} // namespace quillet::nv
