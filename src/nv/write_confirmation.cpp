#include "nv/write_confirmation.h"

#include "nv/process_id.h"
#include "nv/progress_line.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/awaitable_operators.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>

namespace quillet::nv {
namespace {

using std::chrono::milliseconds;
constexpr auto kTuple = asio::experimental::as_tuple(asio::use_awaitable);

constexpr milliseconds kProbeTimeout{1000};
// On a line that may drop bytes while the printer writes, the question is repeated this often.
constexpr milliseconds kRepeat{2000};
// After a one-byte answer the line must stay this quiet, or the byte may have been noise.
constexpr milliseconds kQuietAfterAnswer{300};

AnswerMatcher ProcessIdForm(const std::vector<ProcessId>& ids) {
    return [&ids](std::vector<std::uint8_t>& inbox) { return TakeProcessIdAnswer(inbox, ids); };
}

// Tells the waiting time every second until cancelled by the question beside it.
asio::awaitable<void> TellWaiting(const JobHooks& hooks, Clock::time_point since) {
    asio::steady_timer tick(co_await asio::this_coro::executor);
    for (;;) {
        if (hooks.phase)
            hooks.phase("waiting for the printer to confirm … " +
                        std::to_string(
                            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - since)
                                .count()) +
                        " s");
        tick.expires_after(std::chrono::seconds(1));
        const auto [error] = co_await tick.async_wait(kTuple);
        if (error)
            co_return;
    }
}

// One question with its answer, the waiting told meanwhile.
asio::awaitable<Heard> AskTelling(PrinterSession& session, std::span<const std::uint8_t> question,
                                  const AnswerMatcher& matcher, Clock::time_point deadline,
                                  const JobHooks& hooks, Clock::time_point since) {
    using namespace asio::experimental::awaitable_operators;
    auto done = co_await (session.Ask(question, matcher, deadline) || TellWaiting(hooks, since));
    co_return std::get<0>(std::move(done));
}

asio::awaitable<void> Pause(Clock::time_point until) {
    asio::steady_timer wait(co_await asio::this_coro::executor, until);
    co_await wait.async_wait(kTuple);
}

std::string NotInTime(const NvOptions& options) {
    return "the printer did not confirm the write within " + Seconds(options.confirmTimeout) + " s";
}

std::string Hex(std::uint8_t b) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 0x0F];
}

// Asks until an answer, a failure or the deadline; on a lossy line again every kRepeat.
template <class MakeQuestion>
asio::awaitable<Heard> AskUntil(PrinterSession& session, const NvOptions& options,
                                MakeQuestion makeQuestion, const AnswerMatcher& matcher,
                                const JobHooks& hooks) {
    const auto since = Clock::now();
    const auto deadline = since + options.confirmTimeout;
    if (!session.IsSerialWithoutFlowControl()) {
        const auto question = makeQuestion();
        co_return co_await AskTelling(session, question, matcher, deadline, hooks, since);
    }
    co_await Pause(std::min(deadline, since + options.nvWait));
    Heard heard;
    while (Clock::now() < deadline) {
        const auto question = makeQuestion();
        heard = co_await AskTelling(session, question, matcher, std::min(deadline, After(kRepeat)),
                                    hooks, since);
        if (heard.kind != Heard::Kind::TimedOut)
            break;
    }
    co_return heard;
}

} // namespace

const char* RoadName(ConfirmationRoad road) {
    return road == ConfirmationRoad::ProcessId ? "process-id" : "gs-r";
}

asio::awaitable<ConfirmationRoad> ChooseConfirmationRoad(PrinterSession& session) {
    const std::vector<ProcessId> ids = {RandomProcessId()};
    const Heard heard =
        co_await session.Ask(ProcessIdQuestion(ids[0]), ProcessIdForm(ids), After(kProbeTimeout));
    co_return heard ? ConfirmationRoad::ProcessId : ConfirmationRoad::PaperSensor;
}

asio::awaitable<WriteConfirmation> ConfirmWrite(PrinterSession& session, const NvOptions& options,
                                                ConfirmationRoad road,
                                                std::uint64_t unaskedBeforeData,
                                                const JobHooks& hooks) {
    WriteConfirmation result;
    auto failed = [&](const Heard& heard) {
        if (heard.kind == Heard::Kind::LineFailed)
            return "then " + session.LineError() + " before it confirmed";
        return NotInTime(options);
    };
    if (road == ConfirmationRoad::ProcessId) {
        // Any of the IDs asked after the data proves the data processed.
        std::vector<ProcessId> ids;
        auto question = [&ids] {
            ids.push_back(RandomProcessId());
            return ProcessIdQuestion(ids.back());
        };
        const Heard heard =
            co_await AskUntil(session, options, question, ProcessIdForm(ids), hooks);
        result.confirmed = static_cast<bool>(heard);
        if (!result.confirmed)
            result.why = failed(heard);
        co_return result;
    }
    if (session.Echoes()) {
        result.why = "the line echoes what is sent, so no one-byte answer can confirm the write";
        co_return result;
    }
    if (unaskedBeforeData > 0) {
        result.why = "the printer sends bytes nobody asked for (" + Grouped(unaskedBeforeData) +
                     " before the data), so no one-byte answer can confirm the write";
        co_return result;
    }
    auto question = [] { return kPaperSensorQuestion; };
    const Heard heard =
        co_await AskUntil(session, options, question, TakeStrictSensorAnswer, hooks);
    if (heard.kind == Heard::Kind::Spoiled) {
        result.why = "the printer answered GS r 1 with " + Hex(heard.bytes.front()) +
                     ", which is no answer of its form";
        co_return result;
    }
    if (!heard) {
        result.why = failed(heard);
        co_return result;
    }
    const Heard after = co_await session.Await(ExpectQuiet, After(kQuietAfterAnswer));
    if (after.kind == Heard::Kind::Spoiled) {
        result.why = "the printer went on sending after its GS r 1 answer (" +
                     Hex(after.bytes.front()) + "), so that byte cannot confirm the write";
        co_return result;
    }
    if (after.kind == Heard::Kind::LineFailed) {
        result.why = failed(after);
        co_return result;
    }
    result.confirmed = true;
    co_return result;
}

} // namespace quillet::nv
