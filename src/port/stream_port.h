// One PrinterPort over any Asio stream: a serial port, a socket, a descriptor or a handle.
#pragma once

#include "port/printer_port.h"

#include <asio/buffer.hpp>
#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/awaitable_operators.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>

#include <functional>
#include <utility>

namespace quillet::port {

// End of file, hang-up and reset all mean the printer is gone.
IoStatus ClassifyError(const std::error_code& error);
// The refusal a printer device without a back channel gives a read (usblp: EINVAL).
bool IsNoBackChannel(const std::error_code& error);

struct StreamTraits {
    bool canRead = true;
    bool serialWithoutFlowControl = false; // bytes sent while the printer is busy may be lost
    bool readMayBeRefused = false;         // a printer device file, which may have no back channel
};

template <class Stream> class StreamPort final : public PrinterPort {
public:
    using Hook = std::function<void(Stream&)>;

    // `discard` drops queued output; `release` runs just before the close.
    StreamPort(Stream stream, StreamTraits traits, Hook discard = {}, Hook release = {})
        : stream_(std::move(stream)), traits_(traits), discard_(std::move(discard)),
          release_(std::move(release)) {}
    ~StreamPort() override { Close(); }

    asio::awaitable<IoResult> WriteSome(std::span<const std::uint8_t> data,
                                        std::chrono::milliseconds limit) override {
        using namespace asio::experimental::awaitable_operators;
        constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
        asio::steady_timer timer(stream_.get_executor(), limit);
        auto done =
            co_await (stream_.async_write_some(asio::buffer(data.data(), data.size()), tuple) ||
                      timer.async_wait(tuple));
        if (done.index() == 1)
            co_return IoResult{IoStatus::TimedOut, 0, {}};
        const auto [error, bytes] = std::get<0>(done);
        co_return IoResult{error ? ClassifyError(error) : IoStatus::Ok, bytes, error};
    }

    asio::awaitable<IoResult> ReadSome(std::span<std::uint8_t> into) override {
        constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
        const auto [error, bytes] =
            co_await stream_.async_read_some(asio::buffer(into.data(), into.size()), tuple);
        if (error && traits_.readMayBeRefused && IsNoBackChannel(error)) {
            traits_.canRead = false;
            co_return IoResult{IoStatus::NoBackChannel, 0, error};
        }
        co_return IoResult{error ? ClassifyError(error) : IoStatus::Ok, bytes, error};
    }

    bool CanRead() const override { return traits_.canRead; }
    bool IsSerialWithoutFlowControl() const override { return traits_.serialWithoutFlowControl; }

    void DiscardOutput() override {
        if (discard_ && stream_.is_open())
            discard_(stream_);
    }

    void Close() override {
        if (!stream_.is_open())
            return;
        if (release_)
            release_(stream_);
        std::error_code ignored;
        stream_.close(ignored);
    }

private:
    Stream stream_;
    StreamTraits traits_;
    Hook discard_;
    Hook release_;
};

} // namespace quillet::port
