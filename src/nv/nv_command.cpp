#include "nv/nv_command.h"

#include "logo/file_paths.h"
#include "logo/output_files.h"
#include "nv/dry_run.h"
#include "nv/ledger_step.h"
#include "nv/printer_job.h"
#include "nv/progress_line.h"

#include <asio/co_spawn.hpp>
#include <asio/io_context.hpp>
#include <asio/use_future.hpp>

#include <cstdio>
#include <exception>
#include <future>

namespace quillet::nv {
namespace {

bool BuildPayload(const NvOptions& options, Payload& payload, std::string& why) {
    switch (options.command) {
    case Command::Store:
        if (options.graphics)
            return BuildGraphicsStorePayload(options.files, options.keys, options.convert, payload,
                                             why);
        return BuildStorePayload(options.files, options.convert, payload, why);
    case Command::Raster:
        return BuildRasterPayload(options.files, options.convert, payload, why);
    case Command::Print:
        payload = options.graphics ? BuildGraphicsPrintPayload(options.keys, options.scale)
                                   : BuildPrintPayload(options.numbers);
        return true;
    case Command::Delete:
        payload = BuildGraphicsDeletePayload(options.keys);
        return true;
    case Command::Setting:
        payload = BuildSettingPayload(options.setting, options.feedMm);
        return true;
    case Command::Status:
    case Command::Info:
    case Command::List:
        break;
    }
    return true;
}

bool SendsBytes(Command command) {
    return command != Command::Status && command != Command::Info && command != Command::List;
}

const char* CommandName(Command command) {
    switch (command) {
    case Command::Store:
        return "store";
    case Command::Print:
        return "print";
    case Command::Raster:
        return "raster";
    case Command::Setting:
        return "setting";
    case Command::Status:
        return "status";
    case Command::List:
        return "list";
    case Command::Delete:
        return "delete";
    case Command::Info:
        break;
    }
    return "info";
}

nlohmann::json JobJson(const NvOptions& options, const std::string& port, const JobResult& job) {
    nlohmann::json json = {{"port", port},
                           {"command", CommandName(options.command)},
                           {"ok", job.exit == kExitDone},
                           {"exit", job.exit},
                           {"bytes", job.bytesSent},
                           {"seconds", job.seconds},
                           {"lines", job.lines}};
    if (!job.message.empty())
        json["message"] = job.message;
    json.update(job.answers);
    return json;
}

// Port, result, bytes, seconds: one line per printer after a job on many.
std::string SummaryLine(const std::string& port, const JobResult& job) {
    std::string result;
    if (!job.message.empty())
        result = job.exit == kExitNotReady ? job.message : "failed: " + job.message;
    for (const std::string& line : job.lines)
        result += (result.empty() ? "" : "; ") + line;
    char tail[64];
    std::snprintf(tail, sizeof tail, " (%s bytes, %.1f s)", Grouped(job.bytesSent).c_str(),
                  job.seconds);
    return port + ": " + result + tail;
}

// A failure outweighs a printer that is not ready, which outweighs success.
int WorstExit(const std::vector<JobResult>& results) {
    auto weight = [](int exit) { return exit == kExitFailed ? 2 : exit == kExitNotReady ? 1 : 0; };
    int worst = kExitDone;
    for (const JobResult& job : results)
        if (weight(job.exit) > weight(worst))
            worst = job.exit;
    return worst;
}

} // namespace

int RunNvCommand(const std::string& program, std::span<const std::string> args, std::ostream& out,
                 std::ostream& err, bool terminal) {
    NvOptions options;
    if (const int status = ParseNvOptions(program, args, options, out, err); status >= 0)
        return status;

    Payload payload;
    std::string why;
    if (!BuildPayload(options, payload, why)) {
        err << program << ": " << why << "; nothing was sent\n";
        return kExitFailed;
    }
    if (options.dryRun)
        return RunDryRun(program, options, payload, out, err);
    if (!options.save.empty()) {
        const logo::OutputFile saved[] = {{logo::PathFromUtf8(options.save), payload.bytes}};
        std::size_t failed = 0;
        if (!logo::WriteFilesTogether(saved, failed, why)) {
            err << program << ": cannot write '" << options.save << "': " << why
                << "; nothing was sent\n";
            return kExitFailed;
        }
        if (options.ports.empty()) {
            out << "wrote " << payload.items
                << (options.graphics ? (payload.items == 1 ? " graphic" : " graphics")
                                     : (payload.items == 1 ? " image" : " images"))
                << " (" << Grouped(payload.bytes.size()) << " bytes) to " << options.save << "\n";
            return kExitDone;
        }
    }

    std::unique_ptr<RunLedger> ledger;
    std::string warning;
    if (!RunLedger::Open(options, payload, ledger, warning, why)) {
        err << program << ": " << why << "; nothing was sent\n";
        return kExitFailed;
    }
    if (!warning.empty())
        err << program << ": " << warning << "\n";
    std::vector<std::string> labels;
    for (const port::PortAddress& address : options.ports)
        labels.push_back(address.text);
    ProgressBoard progress(err, terminal && !options.quiet, labels);
    const bool many = options.ports.size() > 1;

    // Every printer at once on one thread: a printer that fails never holds up the others.
    asio::io_context io;
    const Payload* jobPayload = SendsBytes(options.command) ? &payload : nullptr;
    std::vector<std::future<JobResult>> futures;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        JobHooks hooks;
        const std::string label = options.ports[i].text;
        hooks.note = [&progress, &program, label](const std::string& text) {
            progress.Note(program + ": " + label + ": " + text);
        };
        hooks.progress = [&progress, i](std::uint64_t sent, std::uint64_t total) {
            progress.Update(i, sent, total);
        };
        hooks.ledger = ledger ? ledger->Step(i) : nullptr;
        futures.push_back(asio::co_spawn(
            io, RunPrinterJob(options, options.ports[i], jobPayload, std::move(hooks)),
            asio::use_future));
    }
    io.run();
    progress.Finish();

    std::vector<JobResult> results;
    for (auto& future : futures) {
        try {
            results.push_back(future.get());
        } catch (const std::exception& e) {
            JobResult failed;
            failed.exit = kExitFailed;
            failed.message = std::string("unexpected failure: ") + e.what();
            results.push_back(failed);
        }
    }
    if (ledger)
        ledger->Record(results, program, err);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const JobResult& job = results[i];
        const std::string& where = options.ports[i].text;
        if (!job.message.empty())
            err << program << ": " << where << ": " << job.message << "\n";
        if (options.json)
            out << JobJson(options, where, job).dump() << "\n";
        else if (!many)
            for (const std::string& line : job.lines)
                out << line << "\n";
        else
            out << SummaryLine(where, job) << "\n";
    }
    return WorstExit(results);
}

} // namespace quillet::nv
