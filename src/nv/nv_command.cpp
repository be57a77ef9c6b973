#include "nv/nv_command.h"

#include "logo/file_paths.h"
#include "logo/output_files.h"
#include "nv/dry_run.h"
#include "nv/ledger_step.h"
#include "nv/ports_command.h"
#include "nv/printer_job.h"
#include "nv/progress_line.h"
#include "nv/turns.h"
#include "port/descriptor_room.h"
#include "port/host_lookup.h"
#include "port/open_port.h"
#include "port/port_identity.h"

#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/address.hpp>
#include <asio/use_future.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <exception>
#include <future>
#include <map>
#include <optional>

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

// One line of JSON whatever the texts hold: bytes that are not UTF-8 (a port name, a system
// message) become U+FFFD, and a result that cannot be written still gives its line.
std::string JsonLine(const NvOptions& options, const std::string& port, const JobResult& job) {
    constexpr auto replace = nlohmann::json::error_handler_t::replace;
    try {
        return JobJson(options, port, job).dump(-1, ' ', false, replace);
    } catch (const std::exception& e) {
        try {
            return nlohmann::json{
                {"port", port},
                {"command", CommandName(options.command)},
                {"ok", false},
                {"exit", kExitFailed},
                {"message", std::string("the result cannot be written: ") + e.what()}}
                .dump(-1, ' ', false, replace);
        } catch (const std::exception&) {
            return R"({"ok": false, "exit": 1, "message": "the result cannot be written"})";
        }
    }
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

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A job that waits for its turn, and gives it back however it ends.
asio::awaitable<JobResult> InTurn(Turns& turns, asio::awaitable<JobResult> job) {
    co_await turns.Take();
    const TurnHeld held(turns);
    co_return co_await std::move(job);
}

using Clock = std::chrono::steady_clock;

asio::awaitable<void> LookUpHost(port::HostLookups& lookups, Turns& turns, std::string host,
                                 std::vector<std::size_t> indices,
                                 std::vector<port::PortAddress>& ports,
                                 std::vector<std::optional<JobResult>>& settled,
                                 Clock::time_point start) {
    co_await turns.Take();
    // The descriptor the resolver may use is free once its thread ends, not before.
    const port::LookupResult found =
        co_await lookups.LookUp(host, port::kConnectTimeout, [&turns] { turns.Give(); });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const std::size_t i : indices) {
        ports[i].addresses = found.addresses;
        if (found.addresses.empty()) {
            JobResult failed;
            failed.exit = kExitFailed;
            failed.message = "cannot find " + host + ": " + found.why;
            failed.seconds = seconds;
            settled[i] = std::move(failed);
        }
    }
}

// Finds each network printer's addresses, every name at once and each given up at the connect
// time-out, so that a name that hangs costs only its own printers. A name not found settles
// its printers' results.
void LookUpHosts(asio::io_context& io, port::HostLookups& lookups, Turns& turns,
                 std::vector<port::PortAddress>& ports,
                 std::vector<std::optional<JobResult>>& settled) {
    std::map<std::string, std::vector<std::size_t>> byHost;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].kind != port::PortKind::Tcp)
            continue;
        if (port::IsNumericAddress(ports[i].host))
            ports[i].addresses = {asio::ip::make_address(ports[i].host).to_string()};
        else
            byHost[ports[i].host].push_back(i);
    }
    const auto start = Clock::now();
    for (auto& [host, indices] : byHost)
        asio::co_spawn(io, LookUpHost(lookups, turns, host, indices, ports, settled, start),
                       asio::detached);
}

// For each port, the earlier port that reaches the same printer, or kNone: one job per device.
std::vector<std::size_t> OnePerDevice(const std::vector<port::PortAddress>& ports,
                                      const std::vector<std::optional<JobResult>>& settled) {
    std::vector<std::size_t> earlier(ports.size(), kNone);
    std::map<std::string, std::size_t> owner;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (settled[i])
            continue;
        const std::vector<std::string> keys = port::PortIdentity(ports[i]);
        for (const std::string& key : keys) {
            if (const auto found = owner.find(key); found != owner.end()) {
                earlier[i] = found->second;
                break;
            }
        }
        if (earlier[i] == kNone)
            for (const std::string& key : keys)
                owner.emplace(key, i);
    }
    return earlier;
}

} // namespace

int RunNvCommand(const std::string& program, std::span<const std::string> args, std::ostream& out,
                 std::ostream& err, ProgressStyle style) {
    NvOptions options;
    if (const int status = ParseNvOptions(program, args, options, out, err); status >= 0)
        return status;
    if (options.listPorts)
        return RunPortsCommand(program, options.json, out, err);

    Payload payload;
    std::string why;
    if (!BuildPayload(options, payload, why)) {
        err << program << ": " << why << "; nothing was sent\n";
        return kExitFailed;
    }
    if (options.dryRun)
        return RunDryRun(program, options, payload, out, err);
    if (!options.save.empty()) {
        // The saved stream is replaced on every run, as the dialog's "NvSave.BIN" is.
        const auto path = logo::PathFromUtf8(options.save);
        std::error_code ignored;
        const logo::OutputFile saved[] = {
            {path, payload.bytes, std::filesystem::exists(path, ignored)}};
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

    if (!port::RaiseDescriptorLimit(why))
        err << program << ": cannot raise the limit on open files: " << why << "\n";

    std::vector<std::string> labels;
    for (const port::PortAddress& address : options.ports)
        labels.push_back(address.text);
    ProgressBoard progress(err, options.quiet ? ProgressStyle::None : style, labels);
    const bool many = options.ports.size() > 1;

    asio::io_context io;
    // A printer holds a descriptor from its look-up to its end; those that find none wait.
    Turns turns(io.get_executor(), port::PortRoom());
    port::HostLookups lookups(io.get_executor());
    std::vector<std::optional<JobResult>> settled(options.ports.size());
    LookUpHosts(io, lookups, turns, options.ports, settled);
    io.run();
    io.restart();
    const std::vector<std::size_t> earlier = OnePerDevice(options.ports, settled);

    // Every other printer at once on one thread: one that fails never holds up the others.
    const Payload* jobPayload = SendsBytes(options.command) ? &payload : nullptr;
    std::vector<std::optional<std::future<JobResult>>> futures(options.ports.size());
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        const std::string label = options.ports[i].text;
        if (earlier[i] != kNone) {
            progress.Note(program + ": " + label + ": the same printer as " +
                          options.ports[earlier[i]].text + "; the job runs there, once");
            continue;
        }
        if (settled[i])
            continue;
        JobHooks hooks;
        hooks.note = [&progress, &program, label](const std::string& text) {
            progress.Note(program + ": " + label + ": " + text);
        };
        hooks.progress = [&progress, i](std::uint64_t sent, std::uint64_t total) {
            progress.Update(i, sent, total);
        };
        hooks.phase = [&progress, i](const std::string& text) { progress.Phase(i, text); };
        hooks.ledger = ledger ? ledger->Step(i) : nullptr;
        futures[i] = asio::co_spawn(
            io,
            InTurn(turns, RunPrinterJob(options, options.ports[i], jobPayload, std::move(hooks))),
            asio::use_future);
    }
    io.run();
    progress.Finish();

    std::vector<JobResult> results(options.ports.size());
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        if (settled[i]) {
            results[i] = std::move(*settled[i]);
        } else if (futures[i]) {
            try {
                results[i] = futures[i]->get();
            } catch (const std::exception& e) {
                results[i].exit = kExitFailed;
                results[i].message = std::string("unexpected failure: ") + e.what();
            }
        } else {
            const std::string& first = options.ports[earlier[i]].text;
            results[i].exit = results[earlier[i]].exit;
            results[i].lines = {"the same printer as " + first + "; the job ran there"};
            results[i].answers["same_printer_as"] = first;
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
            out << JsonLine(options, where, job) << "\n";
        else if (!many)
            for (const std::string& line : job.lines)
                out << line << "\n";
        else
            out << SummaryLine(where, job) << "\n";
    }
    return WorstExit(results);
}

} // namespace quillet::nv
