// One open printer: writes with a no-progress time-out, and a reader that keeps what the printer
// sends so that a question can discard what came unasked and wait for its answer. Everything the
// printer sends is bounded: the inbox keeps the newest bytes only.
#pragma once

#include "nv/printer_answers.h"
#include "port/printer_port.h"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillet::nv {

using Clock = std::chrono::steady_clock;

// The dialog's write time-out: a printer that takes nothing for this long has stopped.
inline constexpr std::chrono::seconds kWriteTimeout{5};
// What the printer may have sent and not yet been matched: at least this much of the newest is
// kept, never twice as much.
inline constexpr std::size_t kInboxLimit = 64 * 1024;

// Looks at the bytes received since the question (see printer_answers.h).
using AnswerMatcher = std::function<Match(std::vector<std::uint8_t>& inbox)>;

using ProgressCallback = std::function<void(std::uint64_t sent, std::uint64_t total)>;

struct SendResult {
    bool ok = false;
    std::uint64_t sent = 0;
    std::string why; // when not ok
};

// How a question ended.
struct Heard {
    enum class Kind {
        Answer,
        Spoiled,       // a byte no answer of this form starts with came first
        TimedOut,      // nothing of the form by the deadline
        LineFailed,    // LineError() says why
        NoBackChannel, // the port cannot read
    };
    Kind kind = Kind::TimedOut;
    std::vector<std::uint8_t> bytes; // the answer, or the spoiling byte

    explicit operator bool() const { return kind == Kind::Answer; }
};

// A deadline `limit` from now.
inline Clock::time_point After(std::chrono::milliseconds limit) {
    return Clock::now() + limit;
}

class PrinterSession {
public:
    PrinterSession(asio::any_io_executor executor, std::unique_ptr<port::PrinterPort> port);

    bool CanRead() const { return port_->CanRead(); }
    bool IsSerialWithoutFlowControl() const { return port_->IsSerialWithoutFlowControl(); }

    // Told once, when the printer has sent more than the inbox keeps.
    void OnInboxOverflow(std::function<void(const std::string&)> note) {
        overflowNote_ = std::move(note);
    }

    // Runs the reader until Close(); co_await it beside the job (`||`).
    asio::awaitable<void> ReadLoop();

    // Writes all of `data`; each write must make progress within `limit`.
    asio::awaitable<SendResult> Send(std::span<const std::uint8_t> data,
                                     const ProgressCallback& progress = {},
                                     std::chrono::milliseconds limit = kWriteTimeout);

    // Drops what arrived so far (keeping an automatic status block still arriving, so that its
    // rest is not taken for the answer), writes the question and waits for an answer of the
    // matcher's form. Writing and waiting share the one deadline.
    asio::awaitable<Heard> Ask(std::span<const std::uint8_t> question, const AnswerMatcher& matcher,
                               Clock::time_point deadline);

    // Waits for an answer to a question already sent, without dropping what arrived.
    asio::awaitable<Heard> Await(const AnswerMatcher& matcher, Clock::time_point deadline);

    // The line sent a question back as it was written: what it sends is not all the printer's.
    bool Echoes() const { return echoes_; }
    // Something arrived that was not the echo of a question.
    bool HeardPrinter() const { return received_ > echoed_; }
    // Bytes dropped before questions that were neither automatic status blocks nor of an answer's
    // one-byte form: the printer sends what nobody asked for.
    std::uint64_t UnaskedBytes() const { return unasked_; }

    // Why the line failed, or empty.
    const std::string& LineError() const { return lineError_; }

    // After a failure: drop what is queued for the printer, so that closing cannot wait for it.
    void DiscardOutput() { port_->DiscardOutput(); }
    // Ends the reader and closes the port.
    void Close();

private:
    void Wake();
    void Take(std::span<const std::uint8_t> bytes);
    void DropInbox();

    // All members belong to the one thread that runs the io_context.
    std::unique_ptr<port::PrinterPort> port_;
    std::vector<std::uint8_t> inbox_; // bytes received and not yet matched, bounded
    std::function<void(const std::string&)> overflowNote_;
    bool overflowed_ = false;
    std::uint64_t received_ = 0;
    std::uint64_t echoed_ = 0;
    std::uint64_t unasked_ = 0;
    bool echoes_ = false;
    std::vector<std::uint8_t> question_;      // the last question written, while its echo may come
    std::vector<std::uint8_t> sinceQuestion_; // what arrived since, up to a bound
    std::string lineError_;
    bool closing_ = false;
    bool readerStopped_ = false;
    asio::steady_timer wake_;   // cancelled when bytes arrive: a waiting question looks again
    asio::steady_timer parked_; // the reader waits here once the line has failed
};

} // namespace quillet::nv
