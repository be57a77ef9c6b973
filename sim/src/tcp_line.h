// A network printer's port on 127.0.0.1: one connection at a time, the next one taken when the
// host closes.
#pragma once

#include "line.h"

namespace sim {

class TcpLine : public Line {
public:
    // receive_buffer: SO_RCVBUF for each connection (0: the kernel's), so that a host's writes
    // block soon after the printer stops reading.
    TcpLine(int port, int receive_buffer) : port_(port), receive_buffer_(receive_buffer) {}
    ~TcpLine() override;
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    bool open(std::string& error) override;
    std::string announcement() const override { return "LISTEN " + where(); }
    const char* kind() const override { return "tcp"; }
    std::string where() const override { return "127.0.0.1:" + std::to_string(port_); }
    int wait_fd() const override { return conn_ >= 0 ? conn_ : listen_; }
    bool connected() const override { return conn_ >= 0; }
    bool accept(std::string& peer) override;
    long read(std::uint8_t* buf, std::size_t n) override;
    bool answers() const override { return conn_ >= 0; }
    long write(const std::uint8_t* p, std::size_t n) override;
    void end_connection() override;
    void hang_up() override;

private:
    int port_;
    int receive_buffer_;
    int listen_ = -1;
    int conn_ = -1;
};

} // namespace sim
