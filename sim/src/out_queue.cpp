#include "out_queue.h"

#include <algorithm>

namespace sim {

std::size_t OutQueue::push(const std::uint8_t* p, std::size_t n) {
    std::size_t dropped = 0;
    if (n >= capacity_) {
        dropped = size() + (n - capacity_);
        p += n - capacity_;
        n = capacity_;
        clear();
    } else if (size() + n > capacity_) {
        dropped = size() + n - capacity_;
        consume(dropped);
    }
    buf_.insert(buf_.end(), p, p + n);
    return dropped;
}

void OutQueue::consume(std::size_t n) {
    head_ += std::min(n, size());
    // Moving the rest down only now and then keeps taking bytes off the front cheap.
    if (head_ == buf_.size()) {
        clear();
    } else if (head_ >= capacity_ || head_ * 2 >= buf_.size()) {
        buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

void OutQueue::clear() {
    buf_.clear();
    head_ = 0;
}

} // namespace sim
