#include "nv/turns.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/use_awaitable.hpp>

#include <algorithm>

namespace quillet::nv {

Turns::Turns(asio::any_io_executor executor, std::size_t atOnce)
    : executor_(std::move(executor)), free_(std::max<std::size_t>(atOnce, 1)) {}

asio::awaitable<void> Turns::Take() {
    if (free_ > 0 && waiting_.empty()) {
        --free_;
        co_return;
    }
    asio::steady_timer wake(executor_, asio::steady_timer::time_point::max());
    waiting_.push_back(&wake);
    // Give() hands its place straight to the first waiter, so nothing is counted here.
    co_await wake.async_wait(asio::experimental::as_tuple(asio::use_awaitable));
}

void Turns::Give() {
    if (waiting_.empty()) {
        ++free_;
        return;
    }
    asio::steady_timer* first = waiting_.front();
    waiting_.pop_front();
    first->cancel();
}

} // namespace quillet::nv
