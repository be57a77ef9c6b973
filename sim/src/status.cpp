#include "status.h"

#include <string>

namespace sim {

namespace {

// Bits 1 and 4 are always set in a DLE EOT answer, bits 0 and 7 always clear: that is how a host
// tells it from other bytes.
constexpr std::uint8_t kStatusBase = 0x12;

std::vector<std::uint8_t> text_answer(const std::string& text) {
    std::vector<std::uint8_t> out{0x5F};
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0x00);
    return out;
}

} // namespace

std::optional<std::uint8_t> transmit_status(const PrinterStatus& s, int n) {
    std::uint8_t b = kStatusBase;
    switch (n) {
    case 1:
        if (s.offline())
            b |= 0x08;
        return b;
    case 2:
        if (s.cover_open)
            b |= 0x04;
        if (s.paper_end)
            b |= 0x20; // printing stopped by the paper end
        if (s.any_error())
            b |= 0x40;
        return b;
    case 3:
        if (s.cutter_error)
            b |= 0x08;
        if (s.unrecoverable_error)
            b |= 0x20;
        if (s.auto_recoverable_error)
            b |= 0x40;
        return b;
    case 4:
        if (s.near_end)
            b |= 0x0C;
        if (s.paper_end)
            b |= 0x60;
        return b;
    default:
        return std::nullopt;
    }
}

std::uint8_t paper_sensor_status(const PrinterStatus& s) {
    std::uint8_t b = 0x00; // bit 4 clear, unlike a DLE EOT answer
    if (s.near_end)
        b |= 0x03;
    if (s.paper_end)
        b |= 0x0C;
    return b;
}

std::optional<std::vector<std::uint8_t>> printer_id(int n) {
    switch (n) {
    case 1:
    case 49:
        return std::vector<std::uint8_t>{0x20}; // model
    case 2:
    case 50:
        return std::vector<std::uint8_t>{0x02}; // type: autocutter
    case 3:
    case 51:
        return std::vector<std::uint8_t>{0x64}; // ROM version
    case 65:
        return text_answer("1.00 ESC/POS");
    case 66:
        return text_answer("Quillet");
    case 67:
        return text_answer("Quillet Virtual Printer");
    case 68:
        return text_answer("QV0001");
    default:
        return std::nullopt;
    }
}

} // namespace sim
