// At most N at once, the rest in the order they came: printers when descriptors are scarce.
// All calls on the one thread that runs the executor.
#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/steady_timer.hpp>

#include <cstddef>
#include <deque>

namespace quillet::nv {

class Turns {
public:
    Turns(asio::any_io_executor executor, std::size_t atOnce);

    // Waits for a place; every Take is matched by one Give.
    asio::awaitable<void> Take();
    void Give();

private:
    asio::any_io_executor executor_;
    std::size_t free_;
    std::deque<asio::steady_timer*> waiting_; // cancelled, first first, when a place is free
};

// Gives the place back when it goes, on every path.
class TurnHeld {
public:
    explicit TurnHeld(Turns& turns) : turns_(&turns) {}
    ~TurnHeld() {
        if (turns_)
            turns_->Give();
    }
    TurnHeld(const TurnHeld&) = delete;
    TurnHeld& operator=(const TurnHeld&) = delete;

private:
    Turns* turns_;
};

} // namespace quillet::nv
