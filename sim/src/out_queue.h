// Bytes waiting for the host to take them. Bounded: a host that never reads costs the oldest
// bytes, never the printer's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

class OutQueue {
public:
    explicit OutQueue(std::size_t capacity) : capacity_(capacity) {}

    // Appends; returns how many of the oldest bytes went to make room.
    std::size_t push(const std::uint8_t* p, std::size_t n);
    const std::uint8_t* data() const { return buf_.data() + head_; }
    std::size_t size() const { return buf_.size() - head_; }
    bool empty() const { return size() == 0; }
    std::size_t room() const { return capacity_ - size(); }
    std::size_t capacity() const { return capacity_; }
    // The host took the first n bytes.
    void consume(std::size_t n);
    void clear();

private:
    std::size_t capacity_;
    std::vector<std::uint8_t> buf_;
    std::size_t head_ = 0; // bytes at the front already gone
};

} // namespace sim
