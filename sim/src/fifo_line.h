// A FIFO standing in for a USB printer device (/dev/usb/lp0): written as a file, no way back.
#pragma once

#include "line.h"

namespace sim {

class FifoLine : public Line {
public:
    explicit FifoLine(std::string path) : path_(std::move(path)) {}
    ~FifoLine() override { hang_up(); }
    FifoLine(const FifoLine&) = delete;
    FifoLine& operator=(const FifoLine&) = delete;

    bool open(std::string& error) override;
    std::string announcement() const override { return "FIFO " + path_; }
    const char* kind() const override { return "fifo"; }
    std::string where() const override { return path_; }
    int wait_fd() const override { return read_; }
    bool connected() const override { return read_ >= 0; }
    long read(std::uint8_t* buf, std::size_t n) override;
    bool answers() const override { return false; }
    bool two_way() const override { return false; }
    long write(const std::uint8_t*, std::size_t) override { return -1; }
    // Closes the FIFO and removes it, as a device unplugged leaves no node behind.
    void hang_up() override;

private:
    std::string path_;
    int read_ = -1;
    int keep_open_ = -1; // our own writer: a host closing never reads as the end of input
    bool made_ = false;  // only a FIFO we made is removed
};

} // namespace sim
