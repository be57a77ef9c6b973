#include "nv/send_job.h"

#include "nv/graphics_questions.h"
#include "nv/ledger_step.h"
#include "nv/progress_line.h"
#include "nv/status_job.h"
#include "nv/write_confirmation.h"

#include <algorithm>

namespace quillet::nv {
namespace {

std::string Bytes(const Payload& payload) {
    return " (" + Grouped(payload.bytes.size()) + " bytes)";
}

std::string Plural(unsigned count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string JobWhat(const NvOptions& options, const Payload& payload) {
    switch (options.command) {
    case Command::Store:
        if (options.graphics)
            return Plural(payload.items, "graphic", "graphics") + " as " + KeyList(options.keys) +
                   Bytes(payload);
        return Plural(payload.items, "image", "images") + Bytes(payload);
    case Command::Print:
        if (options.graphics)
            return "print of " + KeyList(options.keys) + Bytes(payload);
        return "print of " + Plural(payload.items, "image", "images") + Bytes(payload);
    case Command::Delete:
        return (options.keys.empty() ? std::string("deletion of every NV graphic")
                                     : "deletion of " + KeyList(options.keys)) +
               Bytes(payload);
    case Command::Raster:
        return Plural(payload.items, "picture", "pictures") + Bytes(payload);
    case Command::Setting:
        return "setting " + options.settingText + Bytes(payload);
    case Command::Status:
    case Command::Info:
    case Command::List:
        break;
    }
    return Bytes(payload);
}

// What a confirmed NV write did: "stored 2 images (…)", "deleted A1 (…)".
std::string DoneWhat(const NvOptions& options, const Payload& payload) {
    if (options.command != Command::Delete)
        return "stored " + JobWhat(options, payload);
    return "deleted " +
           (options.keys.empty() ? std::string("every NV graphic") : KeyList(options.keys)) +
           Bytes(payload);
}

bool Listed(const std::vector<std::string>& keys, const std::string& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Before the data: whether the graphics fit what the printer has left. Keys stored again free
// their old pictures, whose sizes the printer does not tell: then the printer decides, and the
// key list after the write shows what it did.
asio::awaitable<bool> GraphicsFit(PrinterSession& session, const NvOptions& options,
                                  const Payload& payload, const JobHooks& hooks,
                                  JobResult& result) {
    const auto left = co_await AskGraphicsCapacity(session, GraphicsCapacityKind::Remaining);
    if (!left) {
        hooks.note("the printer does not report its NV graphics capacity; going on");
        co_return true;
    }
    result.answers["capacity_left"] = *left;
    if (*left >= payload.graphicsNeed)
        co_return true;
    const KeyListReading listed = co_await ReadGraphicsKeys(session);
    std::vector<std::string> replaced;
    if (listed.keys)
        for (const std::string& key : options.keys)
            if (Listed(*listed.keys, key))
                replaced.push_back(key);
    const std::string figures = "they need " + Grouped(payload.graphicsNeed) +
                                " bytes (their data and " + std::to_string(kGraphicsOverheadBytes) +
                                " bytes each) and the printer has " + Grouped(*left) +
                                " bytes left";
    if (!replaced.empty()) {
        hooks.note(figures + ", but " + KeyList(replaced) +
                   " replace pictures of a size not known here; the printer decides");
        co_return true;
    }
    result.exit = kExitFailed;
    result.message = "the graphics do not fit: " + figures + "; nothing was sent";
    co_return false;
}

// After a confirmed graphics write: the printer's own list says whether each key is there, or
// gone.
asio::awaitable<void> CheckKeyList(PrinterSession& session, const NvOptions& options,
                                   const std::string& done, JobResult& result) {
    const KeyListReading reading = co_await ReadGraphicsKeys(session);
    if (!reading.keys) {
        result.exit = kExitFailed;
        result.message = done + ", but the printer does not list its keys" +
                         (reading.why.empty() ? std::string() : ": " + reading.why);
        co_return;
    }
    const std::vector<std::string>& keys = *reading.keys;
    result.answers["keys"] = keys;
    const bool store = options.command == Command::Store;
    std::vector<std::string> wrong;
    for (const std::string& key : options.keys)
        if (Listed(keys, key) != store)
            wrong.push_back(key);
    if (!store && options.keys.empty())
        wrong = keys;
    if (!wrong.empty()) {
        result.exit = kExitFailed;
        result.message = done + ", but the printer " + (store ? "does not list " : "still lists ") +
                         KeyList(wrong);
        co_return;
    }
    result.lines.push_back(
        done + (store ? "; the printer lists them" : "; the printer no longer lists them"));
}

} // namespace

asio::awaitable<JobResult> SendJob(PrinterSession& session, const NvOptions& options,
                                   const Payload& payload, const JobHooks& hooks) {
    JobResult result;
    const bool nvWrite = options.command == Command::Store || options.command == Command::Delete;
    // A printer that answered anything is two-way: its NV write must be confirmed.
    bool twoWay = false;
    ConfirmationRoad road = ConfirmationRoad::PaperSensor;
    if (!options.noStatus) {
        const StatusReading reading = co_await ReadStatus(session);
        if (!session.LineError().empty()) {
            result.exit = kExitFailed;
            result.message = session.LineError();
            co_return result;
        }
        if (!NotReadyReasons(reading.state).empty()) {
            result.exit = kExitNotReady;
            result.message = NotReadyMessage(reading.state);
            co_return result;
        }
        if ((reading.answered > 0 || reading.spoiledBy) && !reading.Complete()) {
            result.exit = kExitFailed;
            result.message = IncompleteStatusMessage(reading) +
                             "; nothing was sent (--no-status sends without asking)";
            co_return result;
        }
        if (reading.Complete())
            result.answers["status"] = StateFacts(reading.state);
        else
            hooks.note("the printer gives no status; going on");
        twoWay = reading.answered > 0 || session.HeardPrinter();
        if (nvWrite && twoWay)
            road = co_await ChooseConfirmationRoad(session);
        twoWay = twoWay || session.HeardPrinter();
        if (!session.LineError().empty()) {
            result.exit = kExitFailed;
            result.message = session.LineError();
            co_return result;
        }
    }
    if (hooks.ledger && !co_await hooks.ledger->BeforeWrite(session, result, hooks.note))
        co_return result;
    if (options.command == Command::Store && options.graphics && session.CanRead() &&
        !co_await GraphicsFit(session, options, payload, hooks, result))
        co_return result;

    const std::uint64_t unaskedBeforeData = session.UnaskedBytes();
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
    if (!nvWrite) {
        result.lines.push_back("sent " + what + " in " + Seconds(Clock::now() - start) + " s");
        co_return result;
    }
    result.answers["confirmed"] = false;
    result.answers["confirmation"] = nullptr;
    if (options.noStatus) {
        result.lines.push_back(what + " sent; not confirmed: --no-status");
        co_return result;
    }
    if (!twoWay) {
        result.lines.push_back(what + " sent; this printer cannot confirm" +
                               (!session.CanRead() ? " (the port only takes data)"
                                : session.Echoes() ? " (the line only echoes what is sent)"
                                                   : " (it answers no question)"));
        co_return result;
    }
    result.answers["confirmation"] = RoadName(road);
    JobHooks waiting = hooks;
    waiting.phase = [&hooks, &payload](const std::string& text) {
        if (hooks.phase)
            hooks.phase("sent " + Grouped(payload.bytes.size()) + " bytes; " + text);
    };
    const WriteConfirmation confirmation =
        co_await ConfirmWrite(session, options, road, unaskedBeforeData, waiting);
    if (!confirmation.confirmed) {
        session.DiscardOutput();
        result.exit = kExitFailed;
        result.message = what + " sent, but " + confirmation.why;
        co_return result;
    }
    result.answers["confirmed"] = true;
    const std::string done =
        DoneWhat(options, payload) + " and confirmed in " + Seconds(Clock::now() - start) + " s";
    if (!options.graphics) {
        result.lines.push_back(done);
        co_return result;
    }
    co_await CheckKeyList(session, options, done, result);
    co_return result;
}

} // namespace quillet::nv
