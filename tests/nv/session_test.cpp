// The session over a real socket pair: a question's write and its wait share one deadline, so a
// printer that holds the line for a while cannot stretch the limit.
#include "nv/printer_session.h"
#include "port/stream_port.h"

#include <asio/co_spawn.hpp>
#include <asio/experimental/awaitable_operators.hpp>
#include <asio/io_context.hpp>
#include <asio/local/connect_pair.hpp>
#include <asio/local/stream_protocol.hpp>
#include <asio/use_future.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quillet::nv {
namespace {

using Socket = asio::local::stream_protocol::socket;
using namespace std::chrono_literals;

TEST(Session, QuestionWriteAndWaitShareTheDeadline) {
    asio::io_context io;
    Socket host(io);
    Socket printer(io);
    asio::local::connect_pair(host, printer);
    const int small = 4096;
    ::setsockopt(host.native_handle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(printer.native_handle(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    host.non_blocking(true);
    // Fill the line: the printer reads nothing yet.
    const std::vector<std::uint8_t> filler(1024, 0x00);
    while (::write(host.native_handle(), filler.data(), filler.size()) > 0) {
    }

    // The printer takes the line again after 1.5 s and then never answers.
    const int printerFd = printer.release();
    std::atomic<bool> done{false};
    std::thread reader([printerFd, &done] {
        std::this_thread::sleep_for(1500ms);
        std::uint8_t buffer[4096];
        while (!done && ::read(printerFd, buffer, sizeof buffer) > 0) {
        }
    });

    PrinterSession session(io.get_executor(), std::make_unique<port::StreamPort<Socket>>(
                                                  std::move(host), port::StreamTraits{}));
    const auto start = Clock::now();
    auto askThenClose = [&]() -> asio::awaitable<Heard> {
        const std::uint8_t question[] = {0x1D, 0x72, 0x01};
        const Heard heard = co_await session.Ask(
            question, [](std::vector<std::uint8_t>&) { return Match{}; }, After(2500ms));
        session.Close();
        co_return heard;
    };
    auto ask = [&]() -> asio::awaitable<Heard> {
        using namespace asio::experimental::awaitable_operators;
        auto both = co_await (askThenClose() || session.ReadLoop());
        co_return std::get<0>(std::move(both));
    };
    auto heard = asio::co_spawn(io, ask(), asio::use_future);
    io.run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    done = true;
    ::shutdown(printerFd, SHUT_RDWR);
    reader.join();
    ::close(printerFd);

    EXPECT_EQ(heard.get().kind, Heard::Kind::TimedOut);
    // One deadline: 2.5 s in all, not 1.5 s of writing and then 2.5 s of waiting.
    EXPECT_GT(seconds, 2.4);
    EXPECT_LT(seconds, 3.6);
}

} // namespace
} // namespace quillet::nv
