#include "nv/printer_job.h"

#include "nv/graphics_questions.h"
#include "nv/info_job.h"
#include "nv/printer_session.h"
#include "nv/queue_job.h"
#include "nv/send_job.h"
#include "nv/status_job.h"
#include "port/open_port.h"

#include <asio/experimental/awaitable_operators.hpp>
#include <asio/this_coro.hpp>

namespace quillet::nv {
namespace {

// Closes the session however the job ends, exceptions included: the reader beside the job
// ends only then.
class CloseOnExit {
public:
    explicit CloseOnExit(PrinterSession& session) : session_(session) {}
    ~CloseOnExit() { session_.Close(); }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    PrinterSession& session_;
};

asio::awaitable<JobResult> RunOnSession(PrinterSession& session, const NvOptions& options,
                                        const Payload* payload, const JobHooks& hooks) {
    const CloseOnExit closer(session);
    switch (options.command) {
    case Command::Status:
        co_return co_await StatusJob(session);
    case Command::Info:
        co_return co_await InfoJob(session);
    case Command::List:
        co_return co_await GraphicsListJob(session);
    default:
        co_return co_await SendJob(session, options, *payload, hooks);
    }
}

} // namespace

asio::awaitable<JobResult> RunPrinterJob(const NvOptions& options, const port::PortAddress& address,
                                         const Payload* payload, JobHooks hooks) {
    using namespace asio::experimental::awaitable_operators;
    if (port::IsQueue(address))
        co_return co_await RunQueueJob(options, address, payload, hooks);
    const auto start = Clock::now();
    port::OpenResult opened = co_await port::OpenPort(address, options.line);
    JobResult result;
    if (!opened.port) {
        result.exit = kExitFailed;
        result.message = opened.why;
    } else {
        PrinterSession session(co_await asio::this_coro::executor, std::move(opened.port));
        session.OnInboxOverflow(hooks.note);
        auto done = co_await (RunOnSession(session, options, payload, hooks) || session.ReadLoop());
        result = std::get<0>(std::move(done));
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    co_return result;
}

} // namespace quillet::nv
