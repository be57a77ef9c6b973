#include "port/error_text.h"
#include "port/stream_port.h"

#include <asio/error.hpp>

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::port {
namespace {

bool IsSystem(const std::error_code& error) {
    return error.category() == asio::error::get_system_category() ||
           error.category() == std::system_category();
}

} // namespace

IoStatus ClassifyError(const std::error_code& error) {
    if (error == asio::error::eof || error == asio::error::connection_reset ||
        error == asio::error::broken_pipe || error == asio::error::connection_aborted ||
        error == asio::error::operation_aborted)
        return IoStatus::Closed;
#ifndef _WIN32
    // A pty or USB adapter that hangs up fails every call with EIO; a printer unplugged, ENODEV.
    if (IsSystem(error) &&
        (error.value() == EIO || error.value() == ENODEV || error.value() == ENXIO))
        return IoStatus::Closed;
#endif
    return IoStatus::Failed;
}

bool IsNoBackChannel(const std::error_code& error) {
    if (!IsSystem(error))
        return false;
#ifdef _WIN32
    // The USB printer interface of a one-way printer refuses ReadFile outright.
    return error.value() == ERROR_INVALID_FUNCTION || error.value() == ERROR_NOT_SUPPORTED ||
           error.value() == ERROR_INVALID_PARAMETER;
#else
    return error.value() == EINVAL;
#endif
}

std::string ErrorText(const std::error_code& error) {
#ifdef _WIN32
    if (IsSystem(error)) {
        wchar_t* text = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(error.value()), 0,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string utf8;
        if (length > 0) {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length),
                                                 nullptr, 0, nullptr, nullptr);
            utf8.resize(static_cast<std::size_t>(size > 0 ? size : 0));
            if (size > 0)
                WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size,
                                    nullptr, nullptr);
        }
        if (text)
            LocalFree(text);
        while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' ||
                                 utf8.back() == '.'))
            utf8.pop_back();
        if (!utf8.empty())
            return utf8;
        return "system error " + std::to_string(error.value());
    }
#endif
    return error.message();
}

} // namespace quillet::port
