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

ProgressBoard::ProgressBoard(std::ostream& out, bool shown, std::vector<std::string> labels)
    : out_(out), shown_(shown) {
    for (std::string& label : labels)
        rows_.push_back({labels.size() > 1 ? label + ": " : std::string(), {}, false, {}});
}

void ProgressBoard::Update(std::size_t row, std::uint64_t sent, std::uint64_t total) {
    if (!shown_ || total == 0 || row >= rows_.size())
        return;
    const auto now = std::chrono::steady_clock::now();
    Row& r = rows_[row];
    if (!r.started) {
        r.started = true;
        r.start = now;
    }
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
    if (!shown_ || row >= rows_.size())
        return;
    rows_[row].text = text;
    lastDraw_ = std::chrono::steady_clock::now();
    Draw();
}

void ProgressBoard::Clear() {
    if (!drawn_)
        return;
    out_ << "\033[" << rows_.size() << "A\r\033[J";
    drawn_ = false;
}

void ProgressBoard::Draw() {
    Clear();
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
    drawn_ = false;
}

} // namespace quillet::nv
