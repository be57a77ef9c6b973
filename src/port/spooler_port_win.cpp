// printer:NAME: the job's bytes go through the Windows spooler as one RAW job, watched with
// GetJob until it has left the queue printed.
#include "port/installed_printers_win.h"
#include "port/open_port.h"
#include "port/wide_text_win.h"
#include "port/worker_call.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/steady_timer.hpp>

#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace quillet::port {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kWatchEvery{200};
// WritePrinter takes the job in pieces.
constexpr DWORD kWritePiece = 64 * 1024;

constexpr DWORD kJobFailed = JOB_STATUS_ERROR | JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT |
                             JOB_STATUS_BLOCKED_DEVQ | JOB_STATUS_USER_INTERVENTION;
constexpr DWORD kJobGone = JOB_STATUS_DELETING | JOB_STATUS_DELETED;
constexpr DWORD kJobDone = JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE;

std::string Seconds(Clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(elapsed).count());
    return text;
}

std::string JobStatusText(DWORD status) {
    struct Name {
        DWORD bit;
        const char* name;
    };
    static constexpr Name names[] = {{JOB_STATUS_ERROR, "error"},
                                     {JOB_STATUS_OFFLINE, "printer offline"},
                                     {JOB_STATUS_PAPEROUT, "paper out"},
                                     {JOB_STATUS_BLOCKED_DEVQ, "blocked"},
                                     {JOB_STATUS_USER_INTERVENTION, "needs attention"},
                                     {JOB_STATUS_DELETING, "being deleted"},
                                     {JOB_STATUS_DELETED, "deleted"}};
    std::string text;
    for (const Name& n : names)
        if (status & n.bit)
            text += (text.empty() ? "" : ", ") + std::string(n.name);
    return text;
}

struct PrinterHandle {
    HANDLE handle = nullptr;
    ~PrinterHandle() {
        if (handle)
            ClosePrinter(handle);
    }
};

struct OpenReply {
    std::shared_ptr<PrinterHandle> printer;
    std::string why;
    bool notReady = false;
};

OpenReply OpenSpooler(const std::string& name, const std::string& shown) {
    OpenReply reply;
    auto printer = std::make_shared<PrinterHandle>();
    std::wstring wide = Wide(name);
    if (!OpenPrinterW(wide.data(), &printer->handle, nullptr)) {
        const DWORD error = GetLastError();
        printer->handle = nullptr;
        std::string names;
        for (const InstalledPrinter& p : ListInstalledPrinters())
            names += (names.empty() ? "'" : ", '") + p.name + "'";
        reply.why =
            "no printer '" + name + "' is installed (" + SystemMessage(error) + "); " +
            (names.empty() ? std::string("no printers are installed") : "the printers: " + names);
        return reply;
    }
    DWORD needed = 0;
    GetPrinterW(printer->handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (needed && GetPrinterW(printer->handle, 2, buffer.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        if (PrinterStatusNotReady(info->Status)) {
            reply.notReady = true;
            reply.why = "printer " + shown + " is not ready: " + PrinterStatusText(info->Status) +
                        "; nothing was queued";
            return reply;
        }
    }
    reply.printer = std::move(printer);
    return reply;
}

struct SubmitReply {
    DWORD jobId = 0;
    std::string why;
};

SubmitReply SubmitRaw(HANDLE printer, const std::wstring& title,
                      const std::vector<std::uint8_t>& bytes) {
    SubmitReply reply;
    std::wstring doc = title;
    wchar_t raw[] = L"RAW";
    DOC_INFO_1W info{doc.data(), nullptr, raw};
    const DWORD id = StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&info));
    if (id == 0) {
        reply.why = "the spooler refused the job: " + SystemMessage(GetLastError());
        return reply;
    }
    std::string failure;
    if (!StartPagePrinter(printer))
        failure = SystemMessage(GetLastError());
    for (std::size_t at = 0; at < bytes.size() && failure.empty();) {
        const DWORD piece =
            static_cast<DWORD>(std::min<std::size_t>(kWritePiece, bytes.size() - at));
        DWORD written = 0;
        if (!WritePrinter(printer, const_cast<std::uint8_t*>(bytes.data() + at), piece, &written) ||
            written == 0)
            failure = SystemMessage(GetLastError());
        at += written;
    }
    if (failure.empty() && !EndPagePrinter(printer))
        failure = SystemMessage(GetLastError());
    if (!failure.empty()) {
        // Half a job must not print.
        AbortPrinter(printer);
        reply.why = "the spooler did not take the job's bytes: " + failure;
        return reply;
    }
    if (!EndDocPrinter(printer)) {
        SetJobW(printer, id, 0, nullptr, JOB_CONTROL_DELETE);
        reply.why = "the spooler did not end the job: " + SystemMessage(GetLastError());
        return reply;
    }
    reply.jobId = id;
    return reply;
}

struct JobReply {
    bool gone = false; // left the queue
    DWORD status = 0;
};

JobReply JobState(HANDLE printer, DWORD id) {
    JobReply reply;
    DWORD needed = 0;
    if (!GetJobW(printer, id, 1, nullptr, 0, &needed) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        reply.gone = true;
        return reply;
    }
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetJobW(printer, id, 1, buffer.data(), needed, &needed)) {
        reply.gone = true;
        return reply;
    }
    reply.status = reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status;
    return reply;
}

class SpoolerPort final : public PrinterPort {
public:
    SpoolerPort(std::shared_ptr<PrinterHandle> printer, std::string shown)
        : printer_(std::move(printer)), shown_(std::move(shown)) {}

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
        auto submit = [printer = printer_, title = Wide(title), bytes] {
            return SubmitRaw(printer->handle, title, *bytes);
        };
        const SubmitReply submitted = co_await OnWorker<SubmitReply>(submit);
        if (submitted.jobId == 0) {
            delivery.why = submitted.why;
            co_return delivery;
        }
        delivery.jobId = static_cast<long>(submitted.jobId);
        const std::string job = "job " + std::to_string(submitted.jobId);
        auto remove = [printer = printer_, id = submitted.jobId] {
            return SetJobW(printer->handle, id, 0, nullptr, JOB_CONTROL_DELETE)
                       ? std::string()
                       : SystemMessage(GetLastError());
        };
        auto look = [printer = printer_, id = submitted.jobId] {
            return JobState(printer->handle, id);
        };

        constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
        asio::steady_timer timer(co_await asio::this_coro::executor);
        DWORD lastStatus = 0;
        while (Clock::now() < deadline) {
            const JobReply state = co_await OnWorker<JobReply>(look);
            if (state.gone || (state.status & kJobDone)) {
                delivery.delivered = true;
                delivery.handedOn = state.gone && !(lastStatus & kJobDone);
                co_return delivery;
            }
            if (state.status & kJobGone) {
                delivery.why = job + " was deleted from the queue";
                co_return delivery;
            }
            if (state.status & kJobFailed) {
                const std::string removed = co_await OnWorker<std::string>(remove);
                delivery.why = job + " failed (" + JobStatusText(state.status) + ")" +
                               (removed.empty() ? " and was deleted"
                                                : " and could not be deleted: " + removed);
                co_return delivery;
            }
            lastStatus = state.status;
            timer.expires_after(std::min<Clock::duration>(kWatchEvery, deadline - Clock::now()));
            co_await timer.async_wait(tuple);
        }
        // Left queued, the job would write the printer at some later, unexpected time.
        const std::string removed = co_await OnWorker<std::string>(remove);
        delivery.why = job + " was not done within " + Seconds(limit) + " s" +
                       (removed.empty() ? " and was deleted"
                                        : " and could not be deleted (" + removed +
                                              "): delete it in the printer's queue") +
                       (lastStatus ? " (" + JobStatusText(lastStatus) + ")" : "");
        co_return delivery;
    }

private:
    std::shared_ptr<PrinterHandle> printer_;
    std::string shown_;
    std::vector<std::uint8_t> job_;
};

} // namespace

asio::awaitable<OpenResult> OpenQueuePort(const PortAddress& address) {
    auto open = [name = address.path, shown = address.text] { return OpenSpooler(name, shown); };
    const OpenReply reply = co_await OnWorker<OpenReply>(open);
    OpenResult result;
    if (!reply.printer) {
        result.why = reply.why;
        result.notReady = reply.notReady;
        co_return result;
    }
    result.port = std::make_unique<SpoolerPort>(reply.printer, address.text);
    co_return result;
}

} // namespace quillet::port
