// The NV download's two destinations: the printer link and "NvSave.BIN".
#pragma once

#include "printer/file_sink.h"
#include "printer/link_sink.h"

namespace quillet {

// Each write goes to the port first, then to the file. A failure on one side does not stop the
// other: the file still gets the whole stream after the printer stopped taking bytes, and the
// printer still gets a whole definition when the disk is full. Only when both have failed is
// the write refused, which ends the encoder's work.
class NvStreamSink : public ByteSink {
public:
    NvStreamSink(LinkSink& port, FileSink& file) : m_port(port), m_file(file) {}
    bool Write(const std::uint8_t* data, std::size_t size) override;

private:
    LinkSink& m_port;
    FileSink& m_file;
};

} // namespace quillet
