#include "printer/nv_stream_sink.h"

namespace quillet {

bool NvStreamSink::Write(const std::uint8_t* data, std::size_t size) {
    const bool portTook = m_port.Write(data, size);
    const bool fileTook = m_file.Write(data, size);
    return portTook || fileTook;
}

} // namespace quillet
