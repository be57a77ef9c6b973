// Confirming an NV write: the printer's answer to a question sent after the data, which it
// gives only once it has processed everything before it. Nothing real-time is sent meanwhile.
#pragma once

#include "nv/nv_options.h"
#include "nv/printer_job.h"
#include "nv/printer_session.h"

#include <asio/awaitable.hpp>

#include <string>

namespace quillet::nv {

enum class ConfirmationRoad {
    ProcessId,   // GS ( H with a fresh random ID: the printer showed it answers with that ID
    PaperSensor, // GS r 1, on a line that must stay quiet for its one-byte answer
};

// "process-id" or "gs-r", for --json.
const char* RoadName(ConfirmationRoad road);

// Before the job: whether the printer answers a process ID question with that very ID.
asio::awaitable<ConfirmationRoad> ChooseConfirmationRoad(PrinterSession& session);

struct WriteConfirmation {
    bool confirmed = false;
    std::string why; // when not confirmed
};

// After the data. `unaskedBeforeData` is the session's UnaskedBytes() before the data was sent:
// a printer that sends what nobody asked for cannot confirm with one byte. The whole
// confirmation, questions included, ends by `options.confirmTimeout` from now.
asio::awaitable<WriteConfirmation> ConfirmWrite(PrinterSession& session, const NvOptions& options,
                                                ConfirmationRoad road,
                                                std::uint64_t unaskedBeforeData,
                                                const JobHooks& hooks);

} // namespace quillet::nv
