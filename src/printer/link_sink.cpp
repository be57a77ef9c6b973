#include "printer/link_sink.h"

#include "link/printer_link.h"

#include <cstdint>

namespace quillet {

bool LinkSink::Write(const std::uint8_t* data, std::size_t size) {
    if (m_bFailed)
        return false;
    if (g_link.m_nLinkState == LINK_CLOSED)
        return true;
    const bool fits = size <= static_cast<std::size_t>(INT32_MAX);
    if (!fits || g_link.WritePort(data, static_cast<int32_t>(size)) != static_cast<int32_t>(size))
        m_bFailed = true;
    return !m_bFailed;
}

} // namespace quillet
