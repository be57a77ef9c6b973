// One open printer: writes with a no-progress time-out, and a reader that keeps what the printer
// sends so that a question can discard what came unasked and wait for its answer.
#pragma once

#include "port/printer_port.h"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillet::nv {

// The dialog's write time-out: a printer that takes nothing for this long has stopped.
inline constexpr std::chrono::seconds kWriteTimeout{5};

// Removes and returns a whole answer from the inbox, dropping bytes that cannot start one.
using AnswerMatcher =
    std::function<std::optional<std::vector<std::uint8_t>>(std::vector<std::uint8_t>& inbox)>;

using ProgressCallback = std::function<void(std::uint64_t sent, std::uint64_t total)>;

struct SendResult {
    bool ok = false;
    std::uint64_t sent = 0;
    std::string why; // when not ok
};

class PrinterSession {
public:
    PrinterSession(asio::any_io_executor executor, std::unique_ptr<port::PrinterPort> port);

    bool CanRead() const { return port_->CanRead(); }
    bool MayDropWhileBusy() const { return port_->MayDropWhileBusy(); }

    // Runs the reader until Close(); co_await it beside the job (`||`).
    asio::awaitable<void> ReadLoop();

    // Writes all of `data`; each write must make progress within `limit`.
    asio::awaitable<SendResult> Send(std::span<const std::uint8_t> data,
                                     const ProgressCallback& progress = {},
                                     std::chrono::milliseconds limit = kWriteTimeout);

    // Drops what arrived so far, sends the question and waits up to `limit` for an answer of
    // the matcher's form (a printer busy writing may hold the line that long). Nothing when there
    // is none in time, or the line failed.
    asio::awaitable<std::optional<std::vector<std::uint8_t>>>
    Ask(std::span<const std::uint8_t> question, const AnswerMatcher& matcher,
        std::chrono::milliseconds limit);

    // Waits for an answer to a question already sent, without dropping what arrived.
    asio::awaitable<std::optional<std::vector<std::uint8_t>>>
    Await(const AnswerMatcher& matcher, std::chrono::milliseconds limit);

    // Why the line failed, or empty.
    const std::string& LineError() const { return lineError_; }

    // After a failure: drop what is queued for the printer, so that closing cannot wait for it.
    void DiscardOutput() { port_->DiscardOutput(); }
    // Ends the reader and closes the port.
    void Close();

private:
    void Wake();

    std::unique_ptr<port::PrinterPort> port_;
    std::vector<std::uint8_t> inbox_; // bytes received and not yet matched
    std::string lineError_;
    bool closing_ = false;
    bool readerStopped_ = false;
    asio::steady_timer wake_;   // cancelled when bytes arrive: a waiting question looks again
    asio::steady_timer parked_; // the reader waits here once the line has failed
};

} // namespace quillet::nv
