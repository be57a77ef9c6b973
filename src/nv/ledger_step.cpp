#include "nv/ledger_step.h"

#include "logo/file_paths.h"
#include "nv/graphics_questions.h"
#include "nv/printer_names.h"
#include "nv/sha256.h"

#include <algorithm>

namespace quillet::nv {
namespace {

nlohmann::json OptionalText(const std::optional<std::string>& text) {
    return text ? nlohmann::json(*text) : nlohmann::json();
}

} // namespace

bool WritesNv(const NvOptions& options) {
    return options.command == Command::Store || options.command == Command::Delete;
}

LedgerWrite PlannedWrite(const NvOptions& options, const Payload& payload) {
    LedgerWrite write;
    write.road = options.graphics ? NvRoad::Graphics : NvRoad::Images;
    write.operation = options.command == Command::Delete ? NvOperation::Delete : NvOperation::Store;
    write.sha256 = Sha256Hex(payload.bytes);
    write.bytes = payload.bytes.size();
    if (!options.graphics) {
        write.images = payload.items;
        return write;
    }
    std::size_t begin = 0;
    for (std::size_t i = 0; i < options.keys.size(); ++i) {
        LedgerKey key{options.keys[i], {}};
        if (write.operation == NvOperation::Store && i < payload.definitionEnds.size()) {
            const std::size_t end = payload.definitionEnds[i];
            key.sha256 = Sha256Hex(std::span(payload.bytes).subspan(begin, end - begin));
            begin = end;
        }
        write.keys.push_back(key);
    }
    return write;
}

bool OpenLedgerFile(const NvOptions& options, std::shared_ptr<Ledger>& ledger, std::string& why) {
    ledger.reset();
    if (!WritesNv(options))
        return true;
    std::filesystem::path file = logo::PathFromUtf8(options.ledger);
    if (options.ledger.empty() && !DefaultLedgerPath(file, why))
        return false;
    ledger = std::make_shared<Ledger>(file);
    return true;
}

LedgerStep::LedgerStep(const std::vector<LedgerWrite>& writes, const NvOptions& options,
                       std::string port, LedgerWrite planned)
    : writes_(writes), options_(options), planned_(std::move(planned)) {
    planned_.printer.port = std::move(port);
}

asio::awaitable<bool> LedgerStep::BeforeWrite(PrinterSession& session, JobResult& result,
                                              const NoteFunction& note) {
    const PrinterNames names = co_await AskPrinterNames(session);
    planned_.printer.model = names.model;
    planned_.printer.serial = names.serial;
    result.answers["model_name"] = OptionalText(names.model);
    result.answers["serial_number"] = OptionalText(names.serial);

    const PrinterMatch printer{planned_.printer, false};
    const bool store = planned_.operation == NvOperation::Store;
    if (store && options_.ifChanged) {
        if (const auto since = UnchangedSince(writes_, printer, planned_)) {
            bool listed = true;
            if (planned_.road == NvRoad::Graphics) {
                // The ledger knows what was written, the printer what is still there.
                const auto keys = (co_await ReadGraphicsKeys(session)).keys;
                for (const LedgerKey& key : planned_.keys)
                    listed = listed && keys &&
                             std::find(keys->begin(), keys->end(), key.key) != keys->end();
                if (!listed)
                    note(std::string("unchanged by the ledger, but the printer does not list ") +
                         (planned_.keys.size() == 1 ? "the key" : "every key") + "; writing");
            }
            if (listed) {
                result.lines.push_back("unchanged since " + LocalMinuteText(since->time) +
                                       "; not written");
                result.answers["skipped"] = true;
                result.answers["unchanged_since"] = UtcText(since->time);
                co_return false;
            }
        }
    }
    if (store)
        result.answers["skipped"] = false;
    const unsigned count = WritesWithin(writes_, printer, LedgerNow());
    result.answers["nv_writes_24h"] = count;
    if (count >= kDailyNvWrites && !options_.force) {
        result.exit = kExitFailed;
        result.message = "refused: the ledger counts " + std::to_string(count) +
                         " NV writes to this printer in the last 24 hours, and printer makers "
                         "advise " +
                         std::to_string(kDailyNvWrites) +
                         " a day at most (--force writes anyway); nothing was sent";
        co_return false;
    }
    co_return true;
}

bool RunLedger::Open(const NvOptions& options, const Payload& payload,
                     std::unique_ptr<RunLedger>& ledger, std::string& warning, std::string& why) {
    ledger.reset();
    std::shared_ptr<Ledger> file;
    if (!OpenLedgerFile(options, file, why))
        return false;
    if (!file)
        return true;
    auto run = std::make_unique<RunLedger>();
    run->file_ = file;
    if (!file->Load(run->writes_, warning, why))
        return false;
    const LedgerWrite planned = PlannedWrite(options, payload);
    for (const port::PortAddress& address : options.ports)
        run->steps_.push_back(
            std::make_shared<LedgerStep>(run->writes_, options, address.text, planned));
    ledger = std::move(run);
    return true;
}

void RunLedger::Record(std::vector<JobResult>& results, const std::string& program,
                       std::ostream& err) {
    std::vector<LedgerWrite> confirmed;
    std::vector<JobResult*> recorded;
    const LedgerTime now = LedgerNow();
    for (std::size_t i = 0; i < results.size() && i < steps_.size(); ++i) {
        JobResult& job = results[i];
        if (job.exit != kExitDone || !job.answers.value("confirmed", false))
            continue;
        confirmed.push_back(steps_[i]->Planned());
        confirmed.back().time = now;
        recorded.push_back(&job);
    }
    if (confirmed.empty())
        return;
    std::string warning;
    std::string why;
    const bool added = file_->Add(confirmed, now, warning, why);
    if (!warning.empty())
        err << program << ": " << warning << "\n";
    if (!added)
        err << program << ": the " << (confirmed.size() == 1 ? "write is" : "writes are")
            << " done but not in the ledger: " << why << "\n";
    for (JobResult* job : recorded)
        job->answers["recorded"] = added;
}

} // namespace quillet::nv
