// The printer's end of a pseudo-terminal: the master, plus a slave fd held open so that a host
// closing its side does not hang the line up.
#pragma once

#include "line.h"

#include <string>

namespace sim {

class PtyLine : public Line {
public:
    PtyLine() = default;
    ~PtyLine() override { close(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool open(std::string& error) override;
    std::string announcement() const override { return "PTY " + slave_path_; }
    const char* kind() const override { return "pty"; }
    std::string where() const override { return slave_path_; }
    int wait_fd() const override { return master_; }
    bool connected() const override { return master_ >= 0; }
    long read(std::uint8_t* buf, std::size_t n) override;
    bool answers() const override { return master_ >= 0; }
    long write(const std::uint8_t* p, std::size_t n) override;
    void hang_up() override { close(); }
    int tty_fd() const override { return slave_; }

    void close();
    const std::string& slave_path() const { return slave_path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

} // namespace sim
