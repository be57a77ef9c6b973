// The printer's real-time status: the four DLE EOT questions, and `status`.
#pragma once

#include "nv/printer_answers.h"
#include "nv/printer_job.h"
#include "nv/printer_session.h"

#include <asio/awaitable.hpp>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quillet::nv {

inline constexpr int kStatusQuestions = 4;

struct StatusReading {
    int answered = 0;                      // DLE EOT 1 to `answered` were answered, in order
    std::optional<std::uint8_t> spoiledBy; // what came in place of the next answer
    PrinterState state;

    bool Complete() const { return answered == kStatusQuestions; }
};

// Asks DLE EOT 1 to 4, stopping at the first one not answered in time.
asio::awaitable<StatusReading> ReadStatus(PrinterSession& session);

// What an answered status says, for --json.
nlohmann::json StateFacts(const PrinterState& state);

// "the printer is not ready: cover open, paper end".
std::string NotReadyMessage(const PrinterState& state);

// Why a status with unanswered or spoiled questions is no full status; empty when it is
// complete.
std::string IncompleteStatusMessage(const StatusReading& reading);

// `status`.
asio::awaitable<JobResult> StatusJob(PrinterSession& session);

} // namespace quillet::nv
