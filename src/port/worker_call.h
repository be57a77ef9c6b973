// Blocking calls (libcups, the Windows spooler) run on a worker thread, and the coroutine resumes
// on its own executor with the result: the other printers' jobs go on meanwhile.
#pragma once

#include <asio/async_result.hpp>
#include <asio/awaitable.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>
#include <asio/this_coro.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_awaitable.hpp>

#include <utility>

namespace quillet::port {

// A few threads for every printer's blocking calls; each call bounds its own time.
asio::thread_pool& WorkerThreads();

// `call` must not throw; a copy of it runs on a worker thread and may not touch the caller's
// objects except through what it owns.
// It is taken by reference so that it has to be a named object: GCC 12 gets a lambda made inside
// a co_await expression wrong (its captures end up freed from a byte copy: a string's inner
// buffer passed to free, a shared_ptr released twice), and a temporary does not bind here.
template <class Result, class Call> asio::awaitable<Result> OnWorker(Call& call) {
    auto executor = co_await asio::this_coro::executor;
    auto initiate = [executor](auto handler, Call work) {
        auto guard = asio::make_work_guard(executor);
        asio::post(WorkerThreads(), [handler = std::move(handler), work = std::move(work),
                                     guard = std::move(guard)]() mutable {
            Result result = work();
            auto home = guard.get_executor();
            asio::post(home, [handler = std::move(handler), result = std::move(result)]() mutable {
                std::move(handler)(std::move(result));
            });
        });
    };
    co_return co_await asio::async_initiate<const asio::use_awaitable_t<>, void(Result)>(
        initiate, asio::use_awaitable, call);
}

} // namespace quillet::port
