#include "nv/progress_line.h"

#include <cstdio>

namespace quillet::nv {

std::string Grouped(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string Seconds(std::chrono::steady_clock::duration elapsed) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(elapsed).count());
    return text;
}

ProgressBoard::ProgressBoard(std::ostream& out, ProgressStyle style,
                             std::vector<std::string> labels)
    : out_(out), style_(style) {
    for (std::string& label : labels)
        rows_.push_back({labels.size() > 1 ? label + ": " : std::string(), {}, false, {}, 0, 0});
}

void ProgressBoard::Update(std::size_t row, std::uint64_t sent, std::uint64_t total) {
    if (style_ == ProgressStyle::None || total == 0 || row >= rows_.size())
        return;
    const auto now = std::chrono::steady_clock::now();
    Row& r = rows_[row];
    if (!r.started) {
        r.started = true;
        r.start = now;
    }
    r.sent = sent;
    r.total = total;
    const double seconds = std::chrono::duration<double>(now - r.start).count();
    const double rate = seconds > 0.05 ? static_cast<double>(sent) / seconds : 0.0;
    char tail[96] = "";
    if (rate > 0 && sent < total)
        std::snprintf(tail, sizeof tail, "  %.1f KB/s  %.0f s left", rate / 1000.0,
                      static_cast<double>(total - sent) / rate);
    r.text = "sent " + Grouped(sent) + " of " + Grouped(total) + " bytes  " +
             std::to_string(sent * 100 / total) + "%" + tail;
    if (drawn_ && sent < total && now - lastDraw_ < std::chrono::milliseconds(200))
        return;
    lastDraw_ = now;
    Draw();
}

void ProgressBoard::Phase(std::size_t row, const std::string& text) {
    if (style_ == ProgressStyle::None || row >= rows_.size())
        return;
    rows_[row].text = text;
    lastDraw_ = std::chrono::steady_clock::now();
    Draw();
}

// One printer's row as it is; several, as their sum.
std::string ProgressBoard::PlainLine() const {
    if (rows_.size() == 1)
        return rows_.front().text;
    std::uint64_t sent = 0;
    std::uint64_t total = 0;
    std::size_t busy = 0;
    for (const Row& r : rows_) {
        sent += r.sent;
        total += r.total;
        busy += r.started && r.sent < r.total;
    }
    if (total == 0)
        return {};
    return std::to_string(busy) + " of " + std::to_string(rows_.size()) +
           " printers sending: " + Grouped(sent) + " of " + Grouped(total) + " bytes  " +
           std::to_string(sent * 100 / total) + "%";
}

void ProgressBoard::Clear() {
    if (!drawn_)
        return;
    if (style_ == ProgressStyle::Plain)
        out_ << "\r" << std::string(plainWidth_, ' ') << "\r";
    else
        out_ << "\033[" << rows_.size() << "A\r\033[J";
    drawn_ = false;
}

void ProgressBoard::Draw() {
    Clear();
    if (style_ == ProgressStyle::Plain) {
        // Shorter than a console is wide, so that the carriage return goes back over all of it.
        const std::string line = PlainLine().substr(0, 79);
        out_ << line << std::flush;
        plainWidth_ = line.size();
        drawn_ = true;
        return;
    }
    for (const Row& r : rows_)
        out_ << r.label << r.text << "\033[K\n";
    out_ << std::flush;
    drawn_ = true;
}

void ProgressBoard::Note(const std::string& text) {
    const bool redraw = drawn_;
    Clear();
    out_ << text << "\n";
    if (redraw)
        Draw();
}

void ProgressBoard::Finish() {
    if (drawn_)
        Draw();
    if (drawn_ && style_ == ProgressStyle::Plain)
        out_ << "\n" << std::flush;
    drawn_ = false;
}

} // namespace quillet::nv
