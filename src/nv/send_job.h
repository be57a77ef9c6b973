// The jobs that send bytes: store, print, raster, setting and delete, with the status asked
// first and an NV write confirmed after.
#pragma once

#include "nv/job_payload.h"
#include "nv/nv_options.h"
#include "nv/printer_job.h"
#include "nv/printer_session.h"

#include <asio/awaitable.hpp>

namespace quillet::nv {

asio::awaitable<JobResult> SendJob(PrinterSession& session, const NvOptions& options,
                                   const Payload& payload, const JobHooks& hooks);

} // namespace quillet::nv
