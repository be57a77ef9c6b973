#include "tty_state.h"

namespace sim {

namespace {

long baud_of(speed_t s) {
    struct Pair {
        speed_t code;
        long baud;
    };
    static const Pair table[] = {
        {B0, 0},           {B50, 50},         {B75, 75},           {B110, 110},
        {B134, 134},       {B150, 150},       {B200, 200},         {B300, 300},
        {B600, 600},       {B1200, 1200},     {B1800, 1800},       {B2400, 2400},
        {B4800, 4800},     {B9600, 9600},     {B19200, 19200},     {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800},
        {B500000, 500000}, {B921600, 921600}, {B1000000, 1000000},
    };
    for (const Pair& p : table)
        if (p.code == s)
            return p.baud;
    return -1;
}

} // namespace

TtyState TtyState::from(const termios& t) {
    TtyState s;
    s.t = t;
    s.baud = baud_of(cfgetospeed(&t));
    s.crtscts = (t.c_cflag & CRTSCTS) != 0;
    s.ixon = (t.c_iflag & IXON) != 0;
    s.ixoff = (t.c_iflag & IXOFF) != 0;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.csize = 5;
        break;
    case CS6:
        s.csize = 6;
        break;
    case CS7:
        s.csize = 7;
        break;
    default:
        s.csize = 8;
        break;
    }
    s.parity = !(t.c_cflag & PARENB) ? "none" : (t.c_cflag & PARODD) ? "odd" : "even";
    s.stop = (t.c_cflag & CSTOPB) ? 2 : 1;
    const bool alters_input = t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP);
    s.raw = !alters_input && !(t.c_oflag & OPOST) && !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    return s;
}

bool TtyState::same_as(const TtyState& o) const {
    return t.c_iflag == o.t.c_iflag && t.c_oflag == o.t.c_oflag && t.c_cflag == o.t.c_cflag &&
           t.c_lflag == o.t.c_lflag && cfgetospeed(&t) == cfgetospeed(&o.t) &&
           cfgetispeed(&t) == cfgetispeed(&o.t);
}

Record TtyState::record() const {
    Record r("tty");
    r.add("baud", static_cast<std::int64_t>(baud))
        .add("crtscts", crtscts)
        .add("ixon", ixon)
        .add("ixoff", ixoff);
    r.add("csize", csize).add("parity", parity).add("stop", stop).add("raw", raw);
    return r;
}

} // namespace sim
