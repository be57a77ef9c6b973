// The CUPS scheduler, reached the way every CUPS client reaches it (CUPS_SERVER,
// ~/.cups/client.conf, the system's). Every call blocks, each bounded by its own connection's
// time-outs: run them on a worker thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillet::port {

struct CupsQueue {
    std::string name;
    std::string deviceUri;
    int state = 0; // IPP printer-state: 3 idle, 4 processing, 5 stopped
    bool accepting = true;
    std::string message; // printer-state-message, may be empty
    bool isDefault = false;
};

enum class CupsReach { Ok, NoScheduler, NotFound, Refused };

struct CupsQueueReply {
    CupsReach reach = CupsReach::Ok;
    std::string why; // when not Ok, for the user
    CupsQueue queue;
};

struct CupsListReply {
    bool reached = false;
    std::string why; // when not reached
    std::vector<CupsQueue> queues;
};

struct CupsSubmitReply {
    long jobId = 0; // 0: nothing queued, `why` says why
    std::string why;
};

struct CupsJobReply {
    bool reached = false;
    int state = 0; // IPP job-state: 3 pending .. 5 processing, 7 cancelled, 8 aborted, 9 completed
    std::string reasons;
    std::string why; // when not reached
};

// "idle", "printing", "stopped", with "rejecting jobs" when it does.
std::string QueueStateText(const CupsQueue& queue);

// Where the scheduler is looked for, for messages.
std::string CupsServerText();

CupsQueueReply FindCupsQueue(const std::string& name);
CupsListReply ListCupsQueues();
// One raw job of exactly `bytes`; a job that cannot be completed is cancelled again.
CupsSubmitReply SubmitCupsJob(const std::string& queue, const std::string& title,
                              std::span<const std::uint8_t> bytes);
CupsJobReply CupsJobState(long jobId);
// Empty when the job is cancelled; else why not.
std::string CancelCupsJob(const std::string& queue, long jobId);

} // namespace quillet::port
