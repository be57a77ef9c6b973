// One printer's job: open the port, ask the status, send, confirm.
#pragma once

#include "nv/job_payload.h"
#include "nv/nv_options.h"

#include <asio/awaitable.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

namespace quillet::nv {

class LedgerStep;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadCommandLine = 2;
inline constexpr int kExitNotReady = 3;

struct JobResult {
    int exit = kExitDone;
    std::vector<std::string> lines; // results, for standard output
    std::string message;            // why it failed, for standard error
    std::uint64_t bytesSent = 0;    // of the job's own bytes, questions not counted
    double seconds = 0;             // from opening the port to the end
    nlohmann::json answers = nlohmann::json::object(); // what the printer said, by name
};

struct JobHooks {
    std::function<void(const std::string&)> note; // a message while the job goes on
    std::function<void(std::uint64_t sent, std::uint64_t total)> progress;
    std::function<void(const std::string&)> phase; // what the job waits for once sent
    std::shared_ptr<LedgerStep> ledger; // NV writes: named, and skipped or refused by the ledger
};

// `payload` is null for status and info.
asio::awaitable<JobResult> RunPrinterJob(const NvOptions& options, const port::PortAddress& address,
                                         const Payload* payload, JobHooks hooks);

} // namespace quillet::nv
