// The encoders' bytes to the printer link.
#pragma once

#include "printer/byte_sink.h"

namespace quillet {

// Hands each write to g_link.WritePort, unsplit, while the link is open; a closed link takes
// nothing, and that is not a failure. A write that does not go out whole (-1, 0 or a short
// count) fails, and so does every later one without touching the port: once the printer has
// missed bytes, anything more would be read out of step.
class LinkSink : public ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t size) override;
    bool Failed() const { return m_bFailed; }

private:
    bool m_bFailed = false;
};

} // namespace quillet
