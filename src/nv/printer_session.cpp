#include "nv/printer_session.h"

#include "port/error_text.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>

namespace quillet::nv {
namespace {

constexpr auto kTuple = asio::experimental::as_tuple(asio::use_awaitable);
constexpr std::size_t kLargestWrite = 64 * 1024;

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

} // namespace

PrinterSession::PrinterSession(asio::any_io_executor executor,
                               std::unique_ptr<port::PrinterPort> port)
    : port_(std::move(port)), wake_(executor), parked_(executor) {}

void PrinterSession::Wake() {
    wake_.cancel();
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
        inbox_.insert(inbox_.end(), buffer.begin(), buffer.begin() + got.bytes);
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

asio::awaitable<std::optional<std::vector<std::uint8_t>>>
PrinterSession::Ask(std::span<const std::uint8_t> question, const AnswerMatcher& matcher,
                    std::chrono::milliseconds limit) {
    if (!port_->CanRead())
        co_return std::nullopt;
    inbox_.clear();
    const SendResult sent = co_await Send(question, {}, limit);
    if (!sent.ok) {
        lineError_ = sent.why;
        co_return std::nullopt;
    }
    co_return co_await Await(matcher, limit);
}

asio::awaitable<std::optional<std::vector<std::uint8_t>>>
PrinterSession::Await(const AnswerMatcher& matcher, std::chrono::milliseconds limit) {
    if (!port_->CanRead())
        co_return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto answer = matcher(inbox_))
            co_return answer;
        if (readerStopped_ || std::chrono::steady_clock::now() >= deadline)
            co_return std::nullopt;
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
