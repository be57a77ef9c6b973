#include "port/stream_port.h"

#include <asio/error.hpp>


namespace quillet::port {

IoStatus ClassifyError(const std::error_code& error) {
    if (error == asio::error::eof || error == asio::error::connection_reset ||
        error == asio::error::broken_pipe || error == asio::error::connection_aborted ||
        error == asio::error::operation_aborted)
        return IoStatus::Closed;
#ifndef _WIN32
    // A pty or USB adapter that hangs up fails every call with EIO; a printer unplugged, ENODEV.
    if (error == std::errc::io_error || error == std::errc::no_such_device ||
        error == std::errc::no_such_device_or_address)
        return IoStatus::Closed;
#endif
    return IoStatus::Failed;
}

} // namespace quillet::port
