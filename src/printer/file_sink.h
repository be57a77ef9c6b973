// The encoders' bytes to an open file ("NvSave.BIN").
#pragma once

#include "printer/byte_sink.h"

class CFile;

namespace quillet {

// Writes each piece to the file whole; a short write (a full disk) fails it and every later
// one, so the file never has a hole in the middle of the stream.
class FileSink : public ByteSink {
public:
    explicit FileSink(CFile& file) : m_file(file) {}
    bool Write(const std::uint8_t* data, std::size_t size) override;
    bool Failed() const { return m_bFailed; }

private:
    CFile& m_file;
    bool m_bFailed = false;
};

} // namespace quillet
