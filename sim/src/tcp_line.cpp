#include "tcp_line.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

TcpLine::~TcpLine() {
    hang_up();
}

bool TcpLine::open(std::string& error) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_ < 0) {
        error = std::string("cannot make a socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Set before listen(): the window is agreed when the host connects, and accepted sockets
    // inherit the size.
    if (receive_buffer_ > 0 &&
        setsockopt(listen_, SOL_SOCKET, SO_RCVBUF, &receive_buffer_, sizeof receive_buffer_) != 0) {
        error = std::string("cannot set the receive buffer: ") + std::strerror(errno);
        hang_up();
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port_));
    socklen_t len = sizeof addr;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_, 8) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port_) + ": " + std::strerror(errno);
        hang_up();
        return false;
    }
    port_ = ntohs(addr.sin_port);
    return true;
}

bool TcpLine::accept(std::string& peer) {
    if (conn_ >= 0 || listen_ < 0)
        return false;
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    conn_ =
        ::accept4(listen_, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (conn_ < 0)
        return false;
    char ip[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
    peer = std::string(ip) + ":" + std::to_string(ntohs(addr.sin_port));
    return true;
}

long TcpLine::read(std::uint8_t* buf, std::size_t n) {
    if (conn_ < 0)
        return 0;
    const ssize_t got = ::recv(conn_, buf, n, 0);
    if (got > 0)
        return static_cast<long>(got);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    return -1; // closed by the host, or reset
}

long TcpLine::write(const std::uint8_t* p, std::size_t n) {
    if (conn_ < 0)
        return -1;
    const ssize_t put = ::send(conn_, p, n, MSG_NOSIGNAL);
    if (put >= 0)
        return static_cast<long>(put);
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

void TcpLine::end_connection() {
    if (conn_ >= 0)
        ::close(conn_);
    conn_ = -1;
}

void TcpLine::hang_up() {
    end_connection();
    if (listen_ >= 0)
        ::close(listen_);
    listen_ = -1;
}

} // namespace sim
