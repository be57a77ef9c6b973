// Name look-ups that can be given up at their deadline. getaddrinfo cannot be interrupted, so each
// look-up runs on a thread of its own: one that hangs costs only that thread, never the others.
#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillet::port {

struct LookupResult {
    std::vector<std::string> addresses; // numeric, in the resolver's order, no repeats
    std::string why;                    // when there are none: the reason, for the user
};

// An address in numeric form (IPv4 or IPv6) needs no look-up: it is its own answer.
bool IsNumericAddress(const std::string& host);

class HostLookups {
public:
    explicit HostLookups(asio::any_io_executor executor);
    // Threads still looking up finish on their own; what they find then is dropped.
    ~HostLookups();
    HostLookups(const HostLookups&) = delete;
    HostLookups& operator=(const HostLookups&) = delete;

    // Looks `host` up, giving up after `limit`. `threadDone` runs on the executor once the
    // look-up's thread has ended, also when the look-up was given up before: what the thread
    // held (a descriptor for the resolver's query) is free only then.
    asio::awaitable<LookupResult> LookUp(const std::string& host, std::chrono::milliseconds limit,
                                         std::function<void()> threadDone);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace quillet::port
