// The paper roll of the current receipt: a 1-bit bitmap that grows downwards as dots are printed
// and paper is fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

class Paper {
public:
    // Longest receipt kept in memory; anything printed below it is dropped (and reported).
    static constexpr int kMaxRows = 1 << 18;

    explicit Paper(int width_dots) : width_(width_dots), stride_((width_dots + 7) / 8) {}

    int width() const { return width_; }
    // Rows used so far: printed dots and fed paper.
    int height() const { return height_; }
    int cursor() const { return cursor_; }
    bool empty() const { return cursor_ == 0; }

    // Sets the dot at column x of row (cursor + dy); returns false when it falls off the paper.
    bool set_dot(int x, int dy);
    void advance(int rows);
    bool dot(int x, int y) const;
    void clear();

private:
    int width_;
    int stride_;
    int cursor_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bits_; // rows of stride_ bytes, MSB = leftmost dot
};

} // namespace sim
