#include "port/open_port.h"

#include "port/error_text.h"
#include "port/stream_port.h"

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/this_coro.hpp>

#include <vector>

namespace quillet::port {
namespace {

using asio::ip::tcp;

std::string Endpoint(const PortAddress& address) {
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.tcpPort);
}

asio::awaitable<OpenResult> ConnectTcp(const PortAddress& address) {
    using namespace asio::experimental::awaitable_operators;
    constexpr auto tuple = asio::experimental::as_tuple(asio::use_awaitable);
    const auto executor = co_await asio::this_coro::executor;
    const std::string where = Endpoint(address);

    std::vector<tcp::endpoint> endpoints;
    for (const std::string& text : address.addresses) {
        std::error_code error;
        const auto ip = asio::ip::make_address(text, error);
        if (!error)
            endpoints.emplace_back(ip, address.tcpPort);
    }
    if (endpoints.empty())
        co_return OpenResult{nullptr, "cannot find " + address.host + ": no address"};

    asio::steady_timer timer(executor, kConnectTimeout);
    tcp::socket socket(executor);
    auto connected =
        co_await (asio::async_connect(socket, endpoints, tuple) || timer.async_wait(tuple));
    if (connected.index() == 1)
        co_return OpenResult{nullptr, "cannot connect to " + where + ": no answer within " +
                                          std::to_string(kConnectTimeout.count()) + " s"};
    const auto connectError = std::get<0>(std::get<0>(connected));
    if (connectError)
        co_return OpenResult{nullptr,
                             "cannot connect to " + where + ": " + ErrorText(connectError)};
    std::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    co_return OpenResult{
        std::make_unique<StreamPort<tcp::socket>>(std::move(socket), StreamTraits{}), {}};
}

} // namespace

asio::awaitable<OpenResult> OpenPort(const PortAddress& address, const LineSettings& line) {
    if (address.kind == PortKind::Tcp)
        co_return co_await ConnectTcp(address);
    if (IsQueue(address))
        co_return co_await OpenQueuePort(address);
    co_return OpenLocalPort(co_await asio::this_coro::executor, address, line);
}

} // namespace quillet::port
