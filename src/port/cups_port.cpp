// cups:QUEUE: the job's bytes go to the scheduler as one raw job, which is watched to its end.
#include "port/cups_client.h"
#include "port/open_port.h"
#include "port/worker_call.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/steady_timer.hpp>

#include <cstdio>
#include <vector>

namespace quillet::port {
namespace {

using Clock = std::chrono::steady_clock;

// How often the job's state is asked while it runs.
constexpr std::chrono::milliseconds kWatchEvery{200};

constexpr int kJobCancelled = 7;
constexpr int kJobAborted = 8;
constexpr int kJobCompleted = 9;

std::string Seconds(Clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(elapsed).count());
    return text;
}

class CupsPort final : public PrinterPort {
public:
    explicit CupsPort(std::string queue) : queue_(std::move(queue)) {}

    // The job goes whole at Deliver(): a send that fails half-way queues nothing.
    asio::awaitable<IoResult> WriteSome(std::span<const std::uint8_t> data,
                                        std::chrono::milliseconds) override {
        job_.insert(job_.end(), data.begin(), data.end());
        co_return IoResult{IoStatus::Ok, data.size(), {}};
    }

    asio::awaitable<IoResult> ReadSome(std::span<std::uint8_t>) override {
        co_return IoResult{IoStatus::Closed, 0, {}};
    }

    bool CanRead() const override { return false; }
    bool IsSerialWithoutFlowControl() const override { return false; }
    void Close() override {}

    asio::awaitable<Delivery> Deliver(const std::string& title,
                                      std::chrono::milliseconds limit) override {
        const auto deadline = Clock::now() + limit;
        Delivery delivery;
        delivery.watched = true;
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(job_));
        auto submit = [queue = queue_, title, bytes] {
            return SubmitCupsJob(queue, title, *bytes);
        };
        const CupsSubmitReply submitted = co_await OnWorker<CupsSubmitReply>(submit);
        if (submitted.jobId == 0) {
            delivery.why = submitted.why;
            co_return delivery;
        }
        delivery.jobId = submitted.jobId;
        const std::string job = "job " + std::to_string(submitted.jobId);

        constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
        asio::steady_timer timer(co_await asio::this_coro::executor);
        auto look = [id = submitted.jobId] { return CupsJobState(id); };
        std::string lastSeen;
        while (Clock::now() < deadline) {
            const CupsJobReply state = co_await OnWorker<CupsJobReply>(look);
            if (!state.reached) {
                lastSeen = state.why;
            } else if (state.state == kJobCompleted) {
                delivery.delivered = true;
                co_return delivery;
            } else if (state.state == kJobCancelled || state.state == kJobAborted) {
                delivery.why =
                    job +
                    (state.state == kJobAborted ? " was aborted by the print service"
                                                : " was cancelled in the print service") +
                    (state.reasons.empty() ? "" : " (" + state.reasons + ")");
                co_return delivery;
            }
            timer.expires_after(std::min<Clock::duration>(kWatchEvery, deadline - Clock::now()));
            co_await timer.async_wait(tuple);
        }

        // Left queued, the job would write the printer at some later, unexpected time.
        auto find = [name = queue_] { return FindCupsQueue(name); };
        const CupsQueueReply queue = co_await OnWorker<CupsQueueReply>(find);
        auto cancel = [name = queue_, id = submitted.jobId] { return CancelCupsJob(name, id); };
        const std::string cancelled = co_await OnWorker<std::string>(cancel);
        delivery.why = job + " was not done within " + Seconds(limit) + " s" +
                       (cancelled.empty() ? " and was cancelled"
                                          : " and could not be cancelled (" + cancelled +
                                                "): cancel it with 'cancel " + queue_ + "-" +
                                                std::to_string(submitted.jobId) + "'");
        std::string said = queue.reach == CupsReach::Ok ? queue.queue.message : "";
        while (!said.empty() && said.back() == '.')
            said.pop_back();
        if (!said.empty())
            delivery.why += "; the queue says: " + said;
        else if (!lastSeen.empty())
            delivery.why += "; " + lastSeen;
        co_return delivery;
    }

private:
    std::string queue_;
    std::vector<std::uint8_t> job_;
};

} // namespace

asio::awaitable<OpenResult> OpenQueuePort(const PortAddress& address) {
    auto find = [name = address.path] { return FindCupsQueue(name); };
    const CupsQueueReply reply = co_await OnWorker<CupsQueueReply>(find);
    OpenResult result;
    if (reply.reach != CupsReach::Ok) {
        result.why = reply.why;
        co_return result;
    }
    const CupsQueue& queue = reply.queue;
    if (queue.state == 5 || !queue.accepting) {
        result.notReady = true;
        result.why = "queue " + address.text + " is not ready: " + QueueStateText(queue) +
                     (queue.message.empty() ? "" : " (" + queue.message + ")") +
                     "; nothing was queued";
        co_return result;
    }
    result.port = std::make_unique<CupsPort>(address.path);
    co_return result;
}

} // namespace quillet::port
