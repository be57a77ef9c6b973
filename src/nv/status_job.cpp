#include "nv/status_job.h"

namespace quillet::nv {
namespace {

// A printer that answers at all answers a status question at once.
constexpr std::chrono::milliseconds kQuestionTimeout{1000};

std::string Hex(std::uint8_t b) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 0x0F];
}

} // namespace

asio::awaitable<StatusReading> ReadStatus(PrinterSession& session) {
    StatusReading reading;
    for (int n = 1; n <= kStatusQuestions; ++n) {
        const auto question = StatusQuestion(static_cast<std::uint8_t>(n));
        const Heard heard =
            co_await session.Ask(question, TakeStatusAnswer, After(kQuestionTimeout));
        if (heard.kind == Heard::Kind::Spoiled)
            reading.spoiledBy = heard.bytes.front();
        if (!heard)
            break;
        ApplyStatusAnswer(static_cast<std::uint8_t>(n), heard.bytes.front(), reading.state);
        reading.answered = n;
    }
    co_return reading;
}

nlohmann::json StateFacts(const PrinterState& s) {
    return {{"online", !s.offline},
            {"cover_open", s.coverOpen},
            {"paper_near_end", s.paperNearEnd},
            {"paper_end", s.paperEnd || s.paperEndStop},
            {"cutter_error", s.cutterError},
            {"unrecoverable_error", s.unrecoverableError},
            {"auto_recoverable_error", s.autoRecoverableError},
            {"ready", NotReadyReasons(s).empty()}};
}

std::string NotReadyMessage(const PrinterState& state) {
    std::string text = "the printer is not ready: ";
    const auto reasons = NotReadyReasons(state);
    for (std::size_t i = 0; i < reasons.size(); ++i)
        text += (i ? ", " : "") + reasons[i];
    return text;
}

std::string IncompleteStatusMessage(const StatusReading& reading) {
    if (reading.Complete())
        return {};
    if (reading.spoiledBy)
        return "no full status: the printer answered DLE EOT " +
               std::to_string(reading.answered + 1) + " with " + Hex(*reading.spoiledBy) +
               ", which is no status";
    const std::string last = std::to_string(reading.answered);
    const std::string next = std::to_string(reading.answered + 1);
    return "no full status: the printer answered DLE EOT 1" +
           (reading.answered > 1 ? " to " + last : std::string()) + " but not DLE EOT " + next;
}

asio::awaitable<JobResult> StatusJob(PrinterSession& session) {
    JobResult result;
    const StatusReading reading = co_await ReadStatus(session);
    if (reading.answered == 0 && !reading.spoiledBy) {
        result.exit = kExitFailed;
        result.message = session.LineError().empty()
                             ? "the printer gives no status (no answer to DLE EOT 1)"
                             : session.LineError();
        co_return result;
    }
    // What was answered may already show that the printer is not ready; never that it is.
    const bool notReady = !NotReadyReasons(reading.state).empty();
    if (!reading.Complete()) {
        result.answers["status"] = nullptr;
        result.exit = notReady ? kExitNotReady : kExitFailed;
        result.message = IncompleteStatusMessage(reading);
        if (notReady)
            result.lines.push_back(NotReadyMessage(reading.state));
        result.lines.push_back("no full status");
        co_return result;
    }
    result.lines = StateLines(reading.state);
    result.answers["status"] = StateFacts(reading.state);
    result.lines.push_back(notReady ? "not ready" : "ready");
    if (notReady)
        result.exit = kExitNotReady;
    co_return result;
}

} // namespace quillet::nv
