// The line settings the host put on the pty, as the printer would see them on its serial port.
#pragma once

#include "record.h"

#include <termios.h>

namespace sim {

struct TtyState {
    long baud = 0; // -1: a speed code with no standard rate
    bool crtscts = false;
    bool ixon = false;
    bool ixoff = false;
    int csize = 8;
    const char* parity = "none";
    int stop = 1;
    bool raw = false; // no input, output or line processing that would alter bytes
    termios t{};

    static TtyState from(const termios& t);
    // Any difference in flags or speed counts, so a host that sets what it found is still seen.
    bool same_as(const TtyState& o) const;
    Record record() const;
};

} // namespace sim
