// A job through a print queue (cups:QUEUE, printer:NAME): one-way, so no questions; one job of
// exactly the job's bytes, watched to its end by the queue.
#pragma once

#include "nv/printer_job.h"

namespace quillet::nv {

// What a queue cannot do with these options (it passes no answers on), for a bad command line;
// empty when the job can go through one.
std::string QueueRefusal(const NvOptions& options);

asio::awaitable<JobResult> RunQueueJob(const NvOptions& options, const port::PortAddress& address,
                                       const Payload* payload, const JobHooks& hooks);

} // namespace quillet::nv
