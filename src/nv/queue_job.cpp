#include "nv/queue_job.h"

#include "nv/printer_session.h"
#include "nv/progress_line.h"
#include "port/open_port.h"

#include <chrono>
#include <cstdio>

namespace quillet::nv {
namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
constexpr const char* kProgram = "QuilletNv";
#else
constexpr const char* kProgram = "quillet-nv";
#endif

} // namespace

std::string QueueRefusal(const NvOptions& options) {
    const std::string command = CommandName(options.command);
    const bool asks = options.command == Command::Status || options.command == Command::Info ||
                      options.command == Command::List;
    if (asks)
        return command + " needs the printer's answers, and a print queue passes none on ('" +
               kProgram + " ports' shows the queue's own state)";
    if (options.command == Command::Store && options.graphics && !options.noStatus)
        return "store --graphics through a print queue cannot check the printer's NV graphics "
               "capacity before the write nor list its keys after it; add --no-status to store "
               "without those checks";
    return {};
}

asio::awaitable<JobResult> RunQueueJob(const NvOptions& options, const port::PortAddress& address,
                                       const Payload* payload, const JobHooks& hooks) {
    const auto start = Clock::now();
    JobResult result;
    auto finish = [&](int exit, std::string message) {
        result.exit = exit;
        result.message = std::move(message);
        result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return result;
    };
    if (const std::string refusal = QueueRefusal(options); !refusal.empty() || !payload)
        co_return finish(kExitBadCommandLine, refusal + "; nothing was queued");

    port::OpenResult opened = co_await port::OpenPort(address, options.line);
    if (!opened.port)
        co_return finish(opened.notReady ? kExitNotReady : kExitFailed, opened.why);

    const std::vector<std::uint8_t>& bytes = payload->bytes;
    std::span<const std::uint8_t> rest(bytes);
    while (!rest.empty()) {
        const port::IoResult wrote = co_await opened.port->WriteSome(rest, kWriteTimeout);
        if (wrote.status != port::IoStatus::Ok || wrote.bytes == 0)
            co_return finish(kExitFailed, "the job's bytes could not be handed over: " +
                                              wrote.error.message() + "; nothing was queued");
        rest = rest.subspan(wrote.bytes);
        if (hooks.progress)
            hooks.progress(bytes.size() - rest.size(), bytes.size());
    }

    const auto handed = Clock::now();
    const std::string title = std::string(kProgram) + " " + CommandName(options.command);
    const port::Delivery delivery = co_await opened.port->Deliver(title, options.confirmTimeout);
    opened.port->Close();
    const bool nvWrite = options.command == Command::Store || options.command == Command::Delete;
    if (nvWrite)
        result.answers["confirmed"] = false;
    result.answers["queue_job"] = delivery.jobId;
    result.answers["delivered"] = delivery.delivered;
    if (delivery.jobId != 0)
        result.bytesSent = bytes.size();
    if (!delivery.delivered)
        co_return finish(kExitFailed, delivery.why + "; the job is not done");
    result.answers["handed_on"] = delivery.handedOn;
    result.lines.push_back(
        "sent " + Grouped(bytes.size()) + " bytes through " + address.text + " as job " +
        std::to_string(delivery.jobId) +
        (delivery.handedOn ? " and the spooler passed it on in " : " and delivered in ") +
        Seconds(Clock::now() - handed) + " s; " +
        (delivery.handedOn ? "neither it nor the printer says that it was printed"
                           : "the printer itself cannot confirm"));
    co_return finish(kExitDone, {});
}

} // namespace quillet::nv
