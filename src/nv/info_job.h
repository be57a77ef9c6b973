// `info`: the printer's IDs and texts (GS I) and what both NV roads report.
#pragma once

#include "nv/printer_job.h"
#include "nv/printer_session.h"

#include <asio/awaitable.hpp>

namespace quillet::nv {

asio::awaitable<JobResult> InfoJob(PrinterSession& session);

} // namespace quillet::nv
