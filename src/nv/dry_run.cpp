#include "nv/dry_run.h"

#include "nv/graphics_questions.h"
#include "nv/ledger_step.h"
#include "nv/printer_job.h"
#include "nv/progress_line.h"

#include <nlohmann/json.hpp>

namespace quillet::nv {
namespace {

std::string Counted(unsigned n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string WhatWouldGo(const NvOptions& options, const Payload& payload) {
    const std::string bytes = " (" + Grouped(payload.bytes.size()) + " bytes)";
    switch (options.command) {
    case Command::Store:
        if (options.graphics)
            return "store " + Counted(payload.items, "graphic", "graphics") + " as " +
                   KeyList(options.keys) + bytes + " by NV graphics (GS ( L)";
        return "store " + Counted(payload.items, "image", "images") + bytes + " by FS q";
    case Command::Print:
        if (options.graphics)
            return "print NV graphics " + KeyList(options.keys) + bytes + " (GS ( L)";
        return "print " + Counted(payload.items, "NV image", "NV images") + bytes + " (FS p)";
    case Command::Raster:
        return "print " + Counted(payload.items, "picture", "pictures") + bytes + " (GS v 0)";
    case Command::Setting:
        return "send setting " + options.settingText + bytes;
    case Command::Delete:
        return (options.keys.empty() ? std::string("delete every NV graphic")
                                     : "delete NV graphics " + KeyList(options.keys)) +
               bytes + " (GS ( L)";
    case Command::Status:
        return "ask the status (DLE EOT 1 to 4)";
    case Command::Info:
        return "ask the printer's IDs and names (GS I) and its NV graphics capacity";
    case Command::List:
        return "ask the NV graphics keys and capacity (GS ( L)";
    }
    return {};
}

// What the ledger says of a write to `port`: by port alone, as the printer is not asked.
struct LedgerView {
    std::string text;
    bool skip = false;
    bool refuse = false;
    unsigned writes = 0;
};

LedgerView ViewLedger(const NvOptions& options, const std::vector<LedgerWrite>& writes,
                      const LedgerWrite& planned, const std::string& port) {
    LedgerView view;
    const PrinterMatch printer{{port, {}, {}}, true};
    if (planned.operation == NvOperation::Store) {
        if (const auto since = UnchangedSince(writes, printer, planned)) {
            view.skip = options.ifChanged;
            view.text = "unchanged since " + LocalMinuteText(since->time) +
                        (options.ifChanged ? ": would be skipped" : ": --if-changed would skip it");
            if (planned.road == NvRoad::Graphics)
                view.text += " if the printer still lists " + KeyList(options.keys);
        } else {
            view.text = "no matching store: would be written";
        }
        view.text += "; ";
    }
    view.writes = WritesWithin(writes, printer, LedgerNow());
    view.text += Counted(view.writes, "NV write", "NV writes") + " in 24 hours";
    if (view.writes >= kDailyNvWrites && !view.skip) {
        view.refuse = !options.force;
        view.text += options.force ? ", written anyway with --force" : ": would be refused";
    }
    return view;
}

} // namespace

int RunDryRun(const std::string& program, const NvOptions& options, const Payload& payload,
              std::ostream& out, std::ostream& err) {
    const std::string what = WhatWouldGo(options, payload);
    std::shared_ptr<Ledger> ledger;
    std::vector<LedgerWrite> writes;
    std::string why;
    if (!OpenLedgerFile(options, ledger, why)) {
        err << program << ": " << why << "\n";
        return kExitFailed;
    }
    if (ledger) {
        std::string warning;
        if (!ledger->Load(writes, warning, why, true)) {
            err << program << ": " << why << "\n";
            return kExitFailed;
        }
        if (!warning.empty())
            err << program << ": " << warning << "\n";
    }
    if (!options.save.empty() && !options.json)
        out << "would write " << Grouped(payload.bytes.size()) << " bytes to " << options.save
            << "\n";
    const LedgerWrite planned = ledger ? PlannedWrite(options, payload) : LedgerWrite{};
    for (const port::PortAddress& address : options.ports) {
        LedgerView view;
        if (ledger)
            view = ViewLedger(options, writes, planned, address.text);
        if (options.json) {
            nlohmann::json json = {{"port", address.text},
                                   {"dry_run", true},
                                   {"would", what},
                                   {"bytes", payload.bytes.size()}};
            if (ledger) {
                json["ledger"] = view.text;
                json["nv_writes_24h"] = view.writes;
                json["refused"] = view.refuse;
                if (options.command == Command::Store)
                    json["skipped"] = view.skip;
            }
            out << json.dump() << "\n";
        } else {
            out << address.text << ": would " << what
                << (ledger ? "; ledger: " + view.text : std::string()) << "\n";
        }
    }
    return kExitDone;
}

} // namespace quillet::nv
