// The printer's sensors and errors, and the bytes it answers about them (DLE EOT, GS r, GS I).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

struct PrinterStatus {
    bool offline_switch = false; // off-line for no other reason (--offline)
    bool cover_open = false;
    bool near_end = false;
    bool paper_end = false;
    bool cutter_error = false;
    bool unrecoverable_error = false;
    bool auto_recoverable_error = false;

    bool any_error() const { return cutter_error || unrecoverable_error || auto_recoverable_error; }
    // A real printer goes off-line by itself while the cover is open, the paper has run out or an
    // error stands.
    bool offline() const { return offline_switch || cover_open || paper_end || any_error(); }
};

// DLE EOT n, n = 1..4; nothing for any other n.
std::optional<std::uint8_t> transmit_status(const PrinterStatus& s, int n);
// GS r 1 (and 49): the paper sensors.
std::uint8_t paper_sensor_status(const PrinterStatus& s);
// GS I n; nothing for an n the printer does not know.
std::optional<std::vector<std::uint8_t>> printer_id(int n);

} // namespace sim
