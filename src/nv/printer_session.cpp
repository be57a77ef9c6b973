#include "nv/printer_session.h"

#include "nv/progress_line.h"
#include "port/error_text.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>

namespace quillet::nv {
namespace {

constexpr auto kTuple = asio::experimental::as_tuple(asio::use_awaitable);
constexpr std::size_t kLargestWrite = 64 * 1024;
// An echo comes straight after its question; looking further only costs memory.
constexpr std::size_t kEchoWindow = 4096;

std::string WriteFailure(const port::IoResult& result, std::chrono::milliseconds limit) {
    switch (result.status) {
    case port::IoStatus::TimedOut:
        return "the printer stopped taking data (nothing taken for " +
               std::to_string((limit.count() + 500) / 1000) + " s)";
    case port::IoStatus::Closed:
        return "the printer closed the line";
    case port::IoStatus::Ok:
    case port::IoStatus::Failed:
    case port::IoStatus::NoBackChannel:
        break;
    }
    return "writing to the printer failed: " + port::ErrorText(result.error);
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(1),
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

} // namespace

PrinterSession::PrinterSession(asio::any_io_executor executor,
                               std::unique_ptr<port::PrinterPort> port)
    : port_(std::move(port)), wake_(executor), parked_(executor) {}

void PrinterSession::Wake() {
    wake_.cancel();
}

void PrinterSession::Take(std::span<const std::uint8_t> bytes) {
    received_ += bytes.size();
    inbox_.insert(inbox_.end(), bytes.begin(), bytes.end());
    if (!question_.empty()) {
        const std::size_t room = std::min(bytes.size(), kEchoWindow - sinceQuestion_.size());
        sinceQuestion_.insert(sinceQuestion_.end(), bytes.begin(), bytes.begin() + room);
        const bool echoed = std::search(sinceQuestion_.begin(), sinceQuestion_.end(),
                                        question_.begin(), question_.end()) != sinceQuestion_.end();
        // An echo is no answer: it leaves the inbox, so that no matcher sees it.
        if (echoed) {
            const auto at =
                std::search(inbox_.begin(), inbox_.end(), question_.begin(), question_.end());
            if (at != inbox_.end())
                inbox_.erase(at, at + static_cast<std::ptrdiff_t>(question_.size()));
            echoes_ = true;
            echoed_ += question_.size();
        }
        if (echoed || sinceQuestion_.size() == kEchoWindow)
            question_.clear();
    }
    // Trimmed in halves, so that a flood costs one move per kInboxLimit bytes.
    if (inbox_.size() > 2 * kInboxLimit) {
        inbox_.erase(inbox_.begin(), inbox_.end() - kInboxLimit);
        if (!overflowed_ && overflowNote_)
            overflowNote_("the printer sends more than it was asked for; keeping only the last " +
                          Grouped(kInboxLimit) + " bytes");
        overflowed_ = true;
    }
}

// Whole automatic status blocks, DLE EOT answers (which image data can trigger) and bytes of the
// GS r form are what a printer sends unasked in the ordinary way; a block still arriving is kept,
// so that its rest is not taken for an answer.
void PrinterSession::DropInbox() {
    std::size_t i = 0;
    while (i < inbox_.size()) {
        const std::uint8_t b = inbox_[i];
        if (IsAutomaticStatusStart(b)) {
            if (inbox_.size() - i < kAutomaticStatusSize)
                break;
            i += kAutomaticStatusSize;
            continue;
        }
        // The rest of a block cut in two has the GS r form; a GS r answer late is harmless too.
        if (!IsStatusAnswer(b) && !IsGsAnswerByte(b))
            ++unasked_;
        ++i;
    }
    inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(i));
}

asio::awaitable<void> PrinterSession::ReadLoop() {
    std::vector<std::uint8_t> buffer(4096);
    while (port_->CanRead() && !closing_) {
        const port::IoResult got = co_await port_->ReadSome(buffer);
        if (closing_)
            break;
        if (got.status == port::IoStatus::NoBackChannel)
            break; // a one-way printer: the port takes data only, and questions go unanswered
        if (got.status != port::IoStatus::Ok) {
            lineError_ = got.status == port::IoStatus::Closed
                             ? "the printer closed the line"
                             : "reading from the printer failed: " + port::ErrorText(got.error);
            break;
        }
        Take(std::span<const std::uint8_t>(buffer.data(), got.bytes));
        Wake();
    }
    readerStopped_ = true;
    Wake();
    // Stay until Close(), so that the job beside this loop is never cut short by it.
    while (!closing_) {
        parked_.expires_at(asio::steady_timer::time_point::max());
        co_await parked_.async_wait(kTuple);
    }
}

asio::awaitable<SendResult> PrinterSession::Send(std::span<const std::uint8_t> data,
                                                 const ProgressCallback& progress,
                                                 std::chrono::milliseconds limit) {
    SendResult result;
    while (result.sent < data.size()) {
        const std::size_t left = std::min<std::size_t>(data.size() - result.sent, kLargestWrite);
        const port::IoResult wrote =
            co_await port_->WriteSome(data.subspan(result.sent, left), limit);
        if (wrote.status != port::IoStatus::Ok) {
            result.why = WriteFailure(wrote, limit);
            co_return result;
        }
        result.sent += wrote.bytes;
        if (progress)
            progress(result.sent, data.size());
    }
    result.ok = true;
    co_return result;
}

asio::awaitable<Heard> PrinterSession::Ask(std::span<const std::uint8_t> question,
                                           const AnswerMatcher& matcher,
                                           Clock::time_point deadline) {
    if (!port_->CanRead())
        co_return Heard{Heard::Kind::NoBackChannel, {}};
    DropInbox();
    // The answer may be read before this coroutine learns that the write is done: what arrives
    // from here on is the answer's to take.
    question_.assign(question.begin(), question.end());
    sinceQuestion_.clear();
    const SendResult sent = co_await Send(question, {}, Left(deadline));
    if (!sent.ok) {
        if (lineError_.empty())
            lineError_ = sent.why;
        co_return Heard{Heard::Kind::LineFailed, {}};
    }
    co_return co_await Await(matcher, deadline);
}

asio::awaitable<Heard> PrinterSession::Await(const AnswerMatcher& matcher,
                                             Clock::time_point deadline) {
    if (!port_->CanRead())
        co_return Heard{Heard::Kind::NoBackChannel, {}};
    for (;;) {
        Match match = matcher(inbox_);
        if (match.kind == Match::Kind::Answer)
            co_return Heard{Heard::Kind::Answer, std::move(match.bytes)};
        if (match.kind == Match::Kind::Spoiled)
            co_return Heard{Heard::Kind::Spoiled, std::move(match.bytes)};
        if (readerStopped_)
            co_return Heard{
                lineError_.empty() ? Heard::Kind::NoBackChannel : Heard::Kind::LineFailed, {}};
        if (Clock::now() >= deadline)
            co_return Heard{Heard::Kind::TimedOut, {}};
        wake_.expires_at(deadline);
        co_await wake_.async_wait(kTuple);
    }
}

void PrinterSession::Close() {
    closing_ = true;
    port_->Close();
    parked_.cancel();
    Wake();
}

} // namespace quillet::nv
