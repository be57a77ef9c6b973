// The progress line on a terminal: bytes, share, rate, time left; redrawn at most five times a
// second.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace quillet::nv {

class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool shown) : out_(out), shown_(shown) {}
    void Update(std::uint64_t sent, std::uint64_t total);
    // Ends the line, so that messages after it start on their own.
    void Finish();

private:
    std::ostream& out_;
    bool shown_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point lastDraw_{};
};

// "12,345" for 12345.
std::string Grouped(std::uint64_t value);

} // namespace quillet::nv
