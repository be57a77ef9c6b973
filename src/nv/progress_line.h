// Progress on a terminal: one line per printer (bytes, share, rate, time left), redrawn at most
// five times a second; notes are written above it. Where the terminal takes no escape sequences
// (an old Windows console) one line, redrawn in place, says it for all printers together.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::nv {

enum class ProgressStyle {
    None,    // not a terminal, or --quiet
    Escapes, // ANSI cursor movement
    Plain,   // carriage return and spaces only
};

class ProgressBoard {
public:
    // One row per label; a single row has no label in front.
    ProgressBoard(std::ostream& out, ProgressStyle style, std::vector<std::string> labels);
    void Update(std::size_t row, std::uint64_t sent, std::uint64_t total);
    // What the printer's row waits for once its bytes are sent.
    void Phase(std::size_t row, const std::string& text);
    // A message above the rows.
    void Note(const std::string& text);
    // Leaves the rows as they are, so that what follows starts below them.
    void Finish();

private:
    struct Row {
        std::string label;
        std::string text;
        bool started = false;
        std::chrono::steady_clock::time_point start{};
        std::uint64_t sent = 0;
        std::uint64_t total = 0;
    };
    void Draw();
    void Clear();
    std::string PlainLine() const;

    std::ostream& out_;
    ProgressStyle style_;
    std::size_t plainWidth_ = 0; // of the plain line last drawn
    std::vector<Row> rows_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// "12,345" for 12345.
std::string Grouped(std::uint64_t value);

// "1.4" for 1.43 s.
std::string Seconds(std::chrono::steady_clock::duration elapsed);

} // namespace quillet::nv
