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

void ProgressLine::Update(std::uint64_t sent, std::uint64_t total) {
    if (!shown_ || total == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!drawn_)
        start_ = now;
    if (drawn_ && sent < total && now - lastDraw_ < std::chrono::milliseconds(200))
        return;
    lastDraw_ = now;
    drawn_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0.05 ? static_cast<double>(sent) / seconds : 0.0;
    char tail[96];
    if (rate > 0 && sent < total)
        std::snprintf(tail, sizeof tail, "  %.1f KB/s  %.0f s left", rate / 1000.0,
                      static_cast<double>(total - sent) / rate);
    else
        tail[0] = '\0';
    out_ << "\rsent " << Grouped(sent) << " of " << Grouped(total) << " bytes  "
         << (sent * 100 / total) << "%" << tail << "\033[K" << std::flush;
}

void ProgressLine::Finish() {
    if (drawn_)
        out_ << "\n" << std::flush;
    drawn_ = false;
}

} // namespace quillet::nv
