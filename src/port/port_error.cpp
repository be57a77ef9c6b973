#include "port/stream_port.h"

#include <asio/error.hpp>

#include <cerrno>

namespace quillet::port {

IoStatus ClassifyError(const std::error_code& error) {
    if (error == asio::error::eof || error == asio::error::connection_reset ||
        error == asio::error::broken_pipe || error == asio::error::connection_aborted ||
        error == asio::error::operation_aborted)
        return IoStatus::Closed;
#ifndef _WIN32
    // A pty or USB adapter that hangs up fails every call with EIO; a printer unplugged, ENODEV.
    const bool system = error.category() == asio::error::get_system_category() ||
                        error.category() == std::system_category();
    if (system && (error.value() == EIO || error.value() == ENODEV || error.value() == ENXIO))
        return IoStatus::Closed;
#endif
    return IoStatus::Failed;
}

} // namespace quillet::port
