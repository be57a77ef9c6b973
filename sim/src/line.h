// The printer's end of whatever joins it to the host: a pty, a TCP port or a FIFO.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class Line {
public:
    virtual ~Line() = default;

    // Makes the line; error says why not.
    virtual bool open(std::string& error) = 0;
    // The line the program prints before READY, e.g. "PTY /dev/pts/4".
    virtual std::string announcement() const = 0;
    virtual const char* kind() const = 0;
    // What the start record names: a path or an address.
    virtual std::string where() const = 0;

    // The descriptor to wait on for input (or for a host to connect); -1 when there is none.
    virtual int wait_fd() const = 0;
    // A host's bytes can arrive now; false while a listening line waits for a connection.
    virtual bool connected() const = 0;
    // Takes a waiting connection; true when one was taken.
    virtual bool accept(std::string& peer) {
        (void)peer;
        return false;
    }
    // Bytes read (> 0), 0 when none are there now, -1 when the host closed its end.
    virtual long read(std::uint8_t* buf, std::size_t n) = 0;
    // Whether bytes can go back to the host now.
    virtual bool answers() const = 0;
    // Whether this kind of line carries anything back at all.
    virtual bool two_way() const { return true; }
    // Bytes written, 0 when the host's side is full, -1 when the host is gone.
    virtual long write(const std::uint8_t* p, std::size_t n) = 0;
    // The host closed its end: a listening line waits for the next connection.
    virtual void end_connection() {}
    // The printer leaves the line for good.
    virtual void hang_up() = 0;
    // A descriptor for the host's line settings, -1 when the line has none.
    virtual int tty_fd() const { return -1; }
};

} // namespace sim
