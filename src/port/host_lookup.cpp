#include "port/host_lookup.h"

#include "port/error_text.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/ip/address.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <netdb.h>
#include <sys/socket.h>
#endif

namespace quillet::port {

// The way back from look-up threads to the executor, closed when the owner goes.
struct HostLookups::Shared {
    explicit Shared(asio::any_io_executor e) : executor(std::move(e)) {}

    void Post(std::function<void()> handler) {
        const std::lock_guard lock(mutex);
        if (open)
            asio::post(executor, std::move(handler));
    }

    std::mutex mutex;
    bool open = true;
    asio::any_io_executor executor;
};

namespace {

std::string LookupError(int code) {
#ifdef _WIN32
    return ErrorText(std::error_code(code, std::system_category()));
#else
    if (code == EAI_SYSTEM)
        return std::strerror(errno);
    return gai_strerror(code);
#endif
}

LookupResult Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    LookupResult result;
    if (code != 0) {
        result.why = LookupError(code);
        return result;
    }
    for (const addrinfo* a = found; a; a = a->ai_next) {
        std::string text;
        if (a->ai_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
            asio::ip::address_v4::bytes_type bytes;
            std::memcpy(bytes.data(), &in->sin_addr, bytes.size());
            text = asio::ip::address_v4(bytes).to_string();
        } else if (a->ai_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
            asio::ip::address_v6::bytes_type bytes;
            std::memcpy(bytes.data(), &in->sin6_addr, bytes.size());
            text = asio::ip::address_v6(bytes, in->sin6_scope_id).to_string();
        }
        if (!text.empty() && std::find(result.addresses.begin(), result.addresses.end(), text) ==
                                 result.addresses.end())
            result.addresses.push_back(text);
    }
    ::freeaddrinfo(found);
    if (result.addresses.empty())
        result.why = "no address";
    return result;
}

} // namespace

bool IsNumericAddress(const std::string& host) {
    std::error_code error;
    asio::ip::make_address(host, error);
    return !error;
}

HostLookups::HostLookups(asio::any_io_executor executor)
    : shared_(std::make_shared<Shared>(std::move(executor))) {}

HostLookups::~HostLookups() {
    const std::lock_guard lock(shared_->mutex);
    shared_->open = false;
}

asio::awaitable<LookupResult> HostLookups::LookUp(const std::string& host,
                                                  std::chrono::milliseconds limit,
                                                  std::function<void()> threadDone) {
    // Touched only on the executor: by this coroutine, and by the handler the thread posts.
    struct Pending {
        asio::steady_timer* timer = nullptr; // null once this coroutine stopped waiting
        std::optional<LookupResult> result;
    };
    auto pending = std::make_shared<Pending>();
    asio::steady_timer timer(shared_->executor, limit);
    pending->timer = &timer;
    try {
        std::thread([shared = shared_, pending, host, done = threadDone]() mutable {
            LookupResult found = Resolve(host);
            shared->Post([pending, found = std::move(found), done = std::move(done)]() mutable {
                if (pending->timer) {
                    pending->result = std::move(found);
                    pending->timer->cancel();
                }
                done();
            });
        }).detach();
    } catch (const std::system_error& e) {
        threadDone();
        co_return LookupResult{{}, std::string("cannot start a look-up: ") + e.what()};
    }
    co_await timer.async_wait(asio::experimental::as_tuple(asio::use_awaitable));
    pending->timer = nullptr;
    if (pending->result)
        co_return std::move(*pending->result);
    co_return LookupResult{{}, "no answer in time"};
}

} // namespace quillet::port
