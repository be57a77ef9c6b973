#include "nv/nv_command.h"

#include "logo/file_paths.h"
#include "nv/printer_job.h"
#include "nv/progress_line.h"

#include <asio/co_spawn.hpp>
#include <asio/io_context.hpp>
#include <asio/use_future.hpp>

#include <exception>
#include <future>

namespace quillet::nv {
namespace {

bool BuildPayload(const NvOptions& options, Payload& payload, std::string& why) {
    switch (options.command) {
    case Command::Store:
        return BuildStorePayload(options.files, options.convert, payload, why);
    case Command::Raster:
        return BuildRasterPayload(options.files, options.convert, payload, why);
    case Command::Print:
        payload = BuildPrintPayload(options.numbers);
        return true;
    case Command::Setting:
        payload = BuildSettingPayload(options.setting, options.feedMm);
        return true;
    case Command::Status:
    case Command::Info:
        break;
    }
    return true;
}

bool SendsBytes(Command command) {
    return command != Command::Status && command != Command::Info;
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
    if (!options.save.empty()) {
        if (!logo::WriteFileWhole(logo::PathFromUtf8(options.save), payload.bytes, why)) {
            err << program << ": cannot write '" << options.save << "': " << why
                << "; nothing was sent\n";
            return kExitFailed;
        }
        if (options.ports.empty()) {
            out << "wrote " << payload.items << (payload.items == 1 ? " image" : " images") << " ("
                << Grouped(payload.bytes.size()) << " bytes) to " << options.save << "\n";
            return kExitDone;
        }
    }

    ProgressLine progress(err, terminal && !options.quiet);
    JobHooks hooks;
    hooks.note = [&](const std::string& text) {
        progress.Finish();
        err << program << ": " << options.ports.front().text << ": " << text << "\n";
    };
    hooks.progress = [&](std::uint64_t sent, std::uint64_t total) { progress.Update(sent, total); };

    asio::io_context io;
    const Payload* jobPayload = SendsBytes(options.command) ? &payload : nullptr;
    auto result = asio::co_spawn(
        io, RunPrinterJob(options, options.ports.front(), jobPayload, hooks), asio::use_future);
    io.run();
    JobResult job;
    try {
        job = result.get();
    } catch (const std::exception& e) {
        job = JobResult{kExitFailed, {}, std::string("unexpected failure: ") + e.what()};
    }
    progress.Finish();
    for (const std::string& line : job.lines)
        out << line << "\n";
    if (!job.message.empty())
        err << program << ": " << options.ports.front().text << ": " << job.message << "\n";
    return job.exit;
}

} // namespace quillet::nv
