#pragma once

#include "port/port_address.h"

#include <asio/awaitable.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>

namespace quillet::port {

enum class IoStatus {
    Ok,
    TimedOut,      // nothing moved within the limit
    Closed,        // the other end went away (end of file, hang-up, reset)
    Failed,        // any other error; `error` says which
    NoBackChannel, // a read on a printer that only takes data: the port is write-only from now on
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    std::size_t bytes = 0;
    std::error_code error;
};

// How a print queue's job ended. A stream port has nothing to watch: `watched` stays false.
struct Delivery {
    bool watched = false;
    bool delivered = false; // the queue finished the job (the printer itself cannot say)
    bool handedOn = false;  // it left the queue without saying it was printed (a spooler that
                            // passes jobs on, or one that keeps no record of printed ones)
    long jobId = 0;         // 0 when no job was queued
    std::string why;        // when not delivered: the scheduler's reason, or the cancellation
};

// An open printer port. All calls come from the one thread that runs its io_context.
class PrinterPort {
public:
    virtual ~PrinterPort() = default;

    // Writes some of `data`; TimedOut when the port takes nothing within `limit`.
    virtual asio::awaitable<IoResult> WriteSome(std::span<const std::uint8_t> data,
                                                std::chrono::milliseconds limit) = 0;
    // Reads what has arrived, waiting for at least one byte; Close() ends the wait.
    virtual asio::awaitable<IoResult> ReadSome(std::span<std::uint8_t> into) = 0;
    // False for a port that only takes data (a FIFO, a printer file without a back channel), and
    // once a read has said NoBackChannel.
    virtual bool CanRead() const = 0;
    // Bytes sent while the printer is busy may be lost: a serial line without flow control.
    virtual bool IsSerialWithoutFlowControl() const = 0;
    // Drops what is still queued for the printer (a serial close would otherwise wait for it).
    virtual void DiscardOutput() {}
    // A print queue: what was written becomes one job titled `title`, watched to its end; a job
    // not ended within `limit` is cancelled, so that it never prints later.
    virtual asio::awaitable<Delivery> Deliver(const std::string& title,
                                              std::chrono::milliseconds limit) {
        (void)title;
        (void)limit;
        co_return Delivery{};
    }
    virtual void Close() = 0;
};

} // namespace quillet::port
