#include "printer/file_sink.h"

#include "framework/File.h"

namespace quillet {

bool FileSink::Write(const std::uint8_t* data, std::size_t size) {
    if (m_bFailed)
        return false;
    const bool fits = size <= static_cast<std::size_t>(UINT_MAX);
    if (!fits || m_file.Write(data, static_cast<UINT>(size)) != size)
        m_bFailed = true;
    return !m_bFailed;
}

} // namespace quillet
