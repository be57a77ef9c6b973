#include "printer/nv_print_commands.h"

namespace quillet {

EncodeResult WritePrintTrailer(ByteSink& sink) {
    return sink.Write(kPrintTrailer.data(), kPrintTrailer.size()) ? EncodeResult::Ok
                                                                  : EncodeResult::WriteFailed;
}

EncodeResult WriteNvPrint(ByteSink& sink, std::uint8_t imageNumber) {
    const std::uint8_t command[] = {0x1C, 0x70, imageNumber, 0x30};
    return sink.Write(command, sizeof command) ? EncodeResult::Ok : EncodeResult::WriteFailed;
}

EncodeResult WriteNvPrintAll(ByteSink& sink) {
    for (std::uint8_t n = 1; n <= kNvPrintAllLast; ++n) {
        if (WriteNvPrint(sink, n) != EncodeResult::Ok) {
            return EncodeResult::WriteFailed;
        }
    }
    return WritePrintTrailer(sink);
}

EncodeResult WriteNvPrintSelect(ByteSink& sink, std::uint8_t imageNumber) {
    const EncodeResult result = WriteNvPrint(sink, imageNumber);
    return result == EncodeResult::Ok ? WritePrintTrailer(sink) : result;
}

} // namespace quillet
