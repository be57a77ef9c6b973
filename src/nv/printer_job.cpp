#include "nv/printer_job.h"

#include "nv/graphics_questions.h"
#include "nv/ledger_step.h"
#include "nv/printer_answers.h"
#include "nv/printer_session.h"
#include "nv/progress_line.h"
#include "port/open_port.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/awaitable_operators.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>
#include <cstdio>

namespace quillet::nv {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A printer that answers at all answers a status question at once.
constexpr milliseconds kQuestionTimeout{1000};
// On a line that may drop bytes while the printer writes, the confirmation question is repeated.
constexpr milliseconds kConfirmRepeat{2000};
// GS I 65..69 answers are short texts.
constexpr std::size_t kLongestIdText = 80;

AnswerMatcher ByteOfForm(bool (*form)(std::uint8_t)) {
    return [form](std::vector<std::uint8_t>& inbox) { return TakeByteAnswer(inbox, form); };
}

AnswerMatcher AnyByte() {
    return ByteOfForm([](std::uint8_t) { return true; });
}

AnswerMatcher IdText() {
    return [](std::vector<std::uint8_t>& inbox) {
        return TakeTextAnswer(inbox, 0x5F, kLongestIdText);
    };
}

std::string Seconds(Clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(elapsed).count());
    return text;
}

std::string Hex(std::uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

std::string Printable(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes)
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
    return text;
}

struct StatusReading {
    bool answered = false; // at least DLE EOT 1 was answered
    PrinterState state;
};

asio::awaitable<StatusReading> ReadStatus(PrinterSession& session) {
    StatusReading reading;
    for (std::uint8_t n = 1; n <= 4; ++n) {
        const auto answer =
            co_await session.Ask(StatusQuestion(n), ByteOfForm(IsStatusAnswer), kQuestionTimeout);
        if (!answer)
            break;
        ApplyStatusAnswer(n, answer->front(), reading.state);
        reading.answered = true;
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

asio::awaitable<JobResult> StatusJob(PrinterSession& session) {
    JobResult result;
    const StatusReading reading = co_await ReadStatus(session);
    if (!reading.answered) {
        result.exit = kExitFailed;
        result.message = session.LineError().empty()
                             ? "the printer gives no status (no answer to DLE EOT 1)"
                             : session.LineError();
        co_return result;
    }
    result.lines = StateLines(reading.state);
    result.answers["status"] = StateFacts(reading.state);
    if (!NotReadyReasons(reading.state).empty()) {
        result.lines.push_back("not ready");
        result.exit = kExitNotReady;
    } else {
        result.lines.push_back("ready");
    }
    co_return result;
}

asio::awaitable<JobResult> InfoJob(PrinterSession& session) {
    JobResult result;
    bool any = false;
    struct ByteQuestion {
        std::uint8_t n;
        const char* name;
        const char* key;
        AnswerMatcher matcher;
    };
    const ByteQuestion byteQuestions[] = {{1, "model ID", "model_id", AnyByte()},
                                          {2, "type ID", "type_id", ByteOfForm(IsTypeIdAnswer)},
                                          {3, "ROM version ID", "rom_version_id", AnyByte()}};
    for (const ByteQuestion& q : byteQuestions) {
        const auto answer = co_await session.Ask(IdQuestion(q.n), q.matcher, kQuestionTimeout);
        std::string line = std::string(q.name) + ": ";
        if (!answer) {
            line += "no answer";
            result.answers[q.key] = nullptr;
        } else {
            any = true;
            result.answers[q.key] = answer->front();
            line += Hex(answer->front());
            if (q.n == 2)
                line += (answer->front() & 0x02) ? " (auto-cutter)" : " (no auto-cutter)";
        }
        result.lines.push_back(line);
    }
    struct TextQuestion {
        std::uint8_t n;
        const char* name;
        const char* key;
    };
    const TextQuestion textQuestions[] = {{65, "firmware", "firmware"},
                                          {67, "model name", "model_name"}};
    for (const auto& [n, name, key] : textQuestions) {
        const auto answer = co_await session.Ask(IdQuestion(n), IdText(), kQuestionTimeout);
        any = any || answer.has_value();
        result.answers[key] = answer ? nlohmann::json(Printable(*answer)) : nlohmann::json();
        result.lines.push_back(std::string(name) + ": " +
                               (answer ? Printable(*answer) : std::string("no answer")));
    }
    // The two NV roads: FS q images cannot be asked about; NV graphics report their store.
    const auto total = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Total);
    const auto left = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Remaining);
    result.lines.push_back("NV images (FS q): the printer does not report them");
    result.lines.push_back(total && left ? "NV graphics (GS ( L): " + Grouped(*total) + " bytes, " +
                                               Grouped(*left) + " left"
                                         : std::string("NV graphics (GS ( L): no answer"));
    result.answers["graphics_capacity"] = total ? nlohmann::json(*total) : nlohmann::json();
    result.answers["graphics_capacity_left"] = left ? nlohmann::json(*left) : nlohmann::json();
    if (!any) {
        result.exit = kExitFailed;
        result.message =
            session.LineError().empty() ? "the printer gives no answers" : session.LineError();
    }
    co_return result;
}

// GS r 1 after the last byte: the printer answers once it has taken everything, NV write
// included. Nothing real-time is sent meanwhile.
asio::awaitable<bool> Confirm(PrinterSession& session, const NvOptions& options) {
    constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
    const auto deadline = Clock::now() + options.confirmTimeout;
    auto left = [&] {
        return std::max(milliseconds(1),
                        std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
    };
    const AnswerMatcher matcher = ByteOfForm(IsPaperSensorAnswer);
    if (!session.MayDropWhileBusy())
        co_return (co_await session.Ask(kPaperSensorQuestion, matcher, left())).has_value();

    asio::steady_timer wait(co_await asio::this_coro::executor,
                            std::min(options.nvWait, options.confirmTimeout));
    co_await wait.async_wait(tuple);
    while (Clock::now() < deadline && session.LineError().empty()) {
        if (co_await session.Ask(kPaperSensorQuestion, matcher, std::min(kConfirmRepeat, left())))
            co_return true;
    }
    co_return false;
}

std::string JobWhat(const NvOptions& options, const Payload& payload) {
    const std::string bytes = " (" + Grouped(payload.bytes.size()) + " bytes)";
    const std::string count = std::to_string(payload.items);
    switch (options.command) {
    case Command::Store:
        if (options.graphics)
            return count + (payload.items == 1 ? " graphic" : " graphics") + " as " +
                   KeyList(options.keys) + bytes;
        return count + (payload.items == 1 ? " image" : " images") + bytes;
    case Command::Print:
        if (options.graphics)
            return "print of " + KeyList(options.keys) + bytes;
        return "print of " + count + (payload.items == 1 ? " image" : " images") + bytes;
    case Command::Delete:
        return (options.keys.empty() ? std::string("deletion of every NV graphic")
                                     : "deletion of " + KeyList(options.keys)) +
               bytes;
    case Command::Raster:
        return count + (payload.items == 1 ? " picture" : " pictures") + bytes;
    case Command::Setting:
        return "setting " + options.settingText + bytes;
    case Command::Status:
    case Command::Info:
    case Command::List:
        break;
    }
    return bytes;
}

asio::awaitable<JobResult> SendJob(PrinterSession& session, const NvOptions& options,
                                   const Payload& payload, const JobHooks& hooks) {
    JobResult result;
    bool answers = false;
    if (!options.noStatus) {
        const StatusReading reading = co_await ReadStatus(session);
        if (!session.LineError().empty()) {
            result.exit = kExitFailed;
            result.message = session.LineError();
            co_return result;
        }
        if (reading.answered)
            result.answers["status"] = StateFacts(reading.state);
        if (!reading.answered) {
            hooks.note("the printer gives no status; going on");
        } else if (!NotReadyReasons(reading.state).empty()) {
            result.exit = kExitNotReady;
            result.message = NotReadyMessage(reading.state);
            co_return result;
        }
        answers = reading.answered;
    }
    if (hooks.ledger && !co_await hooks.ledger->BeforeWrite(session, result, hooks.note))
        co_return result;
    const bool graphicsStore = options.command == Command::Store && options.graphics;
    if (graphicsStore && session.CanRead()) {
        const auto left = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Remaining);
        if (!left) {
            hooks.note("the printer does not report its NV graphics capacity; going on");
        } else if (*left < payload.graphicsNeed) {
            result.exit = kExitFailed;
            result.message = "the graphics do not fit: they need " + Grouped(payload.graphicsNeed) +
                             " bytes (their data and " + std::to_string(kGraphicsOverheadBytes) +
                             " bytes each) and the printer has " + Grouped(*left) +
                             " bytes left; nothing was sent";
            result.answers["capacity_left"] = *left;
            co_return result;
        } else {
            result.answers["capacity_left"] = *left;
        }
    }

    const auto start = Clock::now();
    const SendResult sent = co_await session.Send(payload.bytes, hooks.progress);
    result.bytesSent = sent.sent;
    if (!sent.ok) {
        session.DiscardOutput();
        result.exit = kExitFailed;
        result.message = sent.why + " after " + Grouped(sent.sent) + " of " +
                         Grouped(payload.bytes.size()) + " bytes; the job is not done";
        co_return result;
    }
    const std::string what = JobWhat(options, payload);
    const bool nvWrite = options.command == Command::Store || options.command == Command::Delete;
    if (!nvWrite) {
        result.lines.push_back("sent " + what + " in " + Seconds(Clock::now() - start) + " s");
        co_return result;
    }
    result.answers["confirmed"] = false;
    if (!answers) {
        result.lines.push_back(what + " sent; this printer cannot confirm");
        co_return result;
    }
    if (!co_await Confirm(session, options)) {
        session.DiscardOutput();
        result.exit = kExitFailed;
        result.message =
            session.LineError().empty()
                ? what + " sent, but the printer did not confirm the write within " +
                      Seconds(options.confirmTimeout) + " s"
                : what + " written, but then " + session.LineError() + " before it confirmed";
        co_return result;
    }
    result.answers["confirmed"] = true;
    const std::string done = (options.command == Command::Delete ? "" : "stored ") + what +
                             " and confirmed in " + Seconds(Clock::now() - start) + " s";
    if (!options.graphics) {
        result.lines.push_back(done);
        co_return result;
    }
    // The printer's own list says whether each key is there, or gone.
    const auto keys = co_await ReadGraphicsKeys(session);
    if (!keys) {
        result.exit = kExitFailed;
        result.message = done + ", but the printer does not list its keys";
        co_return result;
    }
    result.answers["keys"] = *keys;
    auto listed = [&](const std::string& key) {
        return std::find(keys->begin(), keys->end(), key) != keys->end();
    };
    std::vector<std::string> wrong;
    for (const std::string& key : options.keys)
        if (listed(key) != (options.command == Command::Store))
            wrong.push_back(key);
    if (options.command == Command::Delete && options.keys.empty())
        wrong = *keys;
    if (!wrong.empty()) {
        result.exit = kExitFailed;
        result.message = done + ", but the printer " +
                         (options.command == Command::Store ? "does not list " : "still lists ") +
                         KeyList(wrong);
        co_return result;
    }
    result.lines.push_back(done + (options.command == Command::Store
                                       ? "; the printer lists them"
                                       : "; the printer no longer lists them"));
    co_return result;
}

asio::awaitable<JobResult> RunOnSession(PrinterSession& session, const NvOptions& options,
                                        const Payload* payload, const JobHooks& hooks) {
    JobResult result;
    switch (options.command) {
    case Command::Status:
        result = co_await StatusJob(session);
        break;
    case Command::Info:
        result = co_await InfoJob(session);
        break;
    case Command::List:
        result = co_await GraphicsListJob(session);
        break;
    default:
        result = co_await SendJob(session, options, *payload, hooks);
        break;
    }
    session.Close();
    co_return result;
}

} // namespace

asio::awaitable<JobResult> RunPrinterJob(const NvOptions& options, const port::PortAddress& address,
                                         const Payload* payload, JobHooks hooks) {
    using namespace asio::experimental::awaitable_operators;
    const auto start = Clock::now();
    port::OpenResult opened = co_await port::OpenPort(address, options.line);
    JobResult result;
    if (!opened.port) {
        result.exit = kExitFailed;
        result.message = opened.why;
    } else {
        PrinterSession session(co_await asio::this_coro::executor, std::move(opened.port));
        auto done = co_await (RunOnSession(session, options, payload, hooks) || session.ReadLoop());
        result = std::get<0>(std::move(done));
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    co_return result;
}

} // namespace quillet::nv
