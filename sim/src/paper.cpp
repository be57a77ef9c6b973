#include "paper.h"

#include <algorithm>

namespace sim {

bool Paper::set_dot(int x, int dy) {
    const long y = static_cast<long>(cursor_) + dy;
    if (x < 0 || x >= width_ || dy < 0 || y >= kMaxRows)
        return false;
    const std::size_t need = static_cast<std::size_t>(y + 1) * stride_;
    if (bits_.size() < need)
        bits_.resize(need, 0);
    bits_[static_cast<std::size_t>(y) * stride_ + x / 8] |=
        static_cast<std::uint8_t>(0x80 >> (x % 8));
    height_ = std::max(height_, static_cast<int>(y) + 1);
    return true;
}

void Paper::advance(int rows) {
    cursor_ = static_cast<int>(std::clamp<long>(static_cast<long>(cursor_) + rows, 0, kMaxRows));
    height_ = std::max(height_, cursor_);
}

bool Paper::dot(int x, int y) const {
    if (x < 0 || x >= width_ || y < 0)
        return false;
    const std::size_t i = static_cast<std::size_t>(y) * stride_ + x / 8;
    return i < bits_.size() && (bits_[i] & (0x80 >> (x % 8)));
}

void Paper::clear() {
    bits_.clear();
    cursor_ = 0;
    height_ = 0;
}

} // namespace sim
