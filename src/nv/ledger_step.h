// The ledger's part in a run that writes NV memory (store, delete). The ledger is read once before
// any printer is opened and written once after every job has ended, so that no job waits on a
// file while others talk to their printers. Between the two, each printer's step names the
// printer, skips an unchanged store (--if-changed) and refuses a write past the daily number
// (unless --force).
#pragma once

#include "nv/job_payload.h"
#include "nv/ledger.h"
#include "nv/nv_options.h"
#include "nv/printer_job.h"
#include "nv/printer_session.h"

#include <asio/awaitable.hpp>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::nv {

using NoteFunction = std::function<void(const std::string&)>;

bool WritesNv(const NvOptions& options);

// What the job would record: road, bytes and their digest, keys and theirs. No printer, no time.
LedgerWrite PlannedWrite(const NvOptions& options, const Payload& payload);

// The ledger file of a command that writes NV memory (--ledger, or the default place); null for
// one that does not. False with why when there is no place for it.
bool OpenLedgerFile(const NvOptions& options, std::shared_ptr<Ledger>& ledger, std::string& why);

class LedgerStep {
public:
    LedgerStep(const std::vector<LedgerWrite>& writes, const NvOptions& options, std::string port,
               LedgerWrite planned);

    // Asks the printer's names and decides. False when the job ends here, `result` saying why:
    // skipped as unchanged (done) or refused (failed).
    asio::awaitable<bool> BeforeWrite(PrinterSession& session, JobResult& result,
                                      const NoteFunction& note);
    // The write as it is recorded once confirmed: this printer, its names.
    const LedgerWrite& Planned() const { return planned_; }

private:
    const std::vector<LedgerWrite>& writes_;
    const NvOptions& options_;
    LedgerWrite planned_;
};

class RunLedger {
public:
    // Reads the ledger (a damaged one is set aside, `warning` says so). `ledger` stays null for
    // a command that writes no NV memory; false with why when the ledger cannot be read.
    static bool Open(const NvOptions& options, const Payload& payload,
                     std::unique_ptr<RunLedger>& ledger, std::string& warning, std::string& why);

    // The step of the job on the `index`th port.
    std::shared_ptr<LedgerStep> Step(std::size_t index) const { return steps_[index]; }

    // Records every job that ended done and confirmed, as "recorded" in its answers; what went
    // wrong is said on `err`.
    void Record(std::vector<JobResult>& results, const std::string& program, std::ostream& err);

private:
    std::shared_ptr<Ledger> file_;
    std::vector<LedgerWrite> writes_;
    std::vector<std::shared_ptr<LedgerStep>> steps_;
};

} // namespace quillet::nv
