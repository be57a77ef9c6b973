// NV graphics questions: the stored keys (in blocks, each further one asked for with ACK) and
// the capacity in all and left.
#pragma once

#include "nv/printer_job.h"
#include "nv/printer_session.h"
#include "printer/nv_graphics_answers.h"

#include <asio/awaitable.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::nv {

struct KeyListReading {
    std::optional<std::vector<std::string>> keys; // nothing when not answered in form and whole
    std::string why;                              // when the list was cut short: it did not end
};

// Asks for the key list block by block, stopping a list that does not end (CAN).
asio::awaitable<KeyListReading> ReadGraphicsKeys(PrinterSession& session);

asio::awaitable<std::optional<std::uint64_t>> AskGraphicsCapacity(PrinterSession& session,
                                                                  GraphicsCapacityKind kind);

// `list --graphics`.
asio::awaitable<JobResult> GraphicsListJob(PrinterSession& session);

// "01, 02 and 03".
std::string KeyList(const std::vector<std::string>& keys);

} // namespace quillet::nv
