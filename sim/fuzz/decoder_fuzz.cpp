// Any byte stream, cut into pieces at the positions the input itself picks, must decode without
// a crash, a leak or unbounded memory.
#include "decoder.h"
#include "graphics_store.h"
#include "nv_store.h"
#include "printer.h"
#include "record.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    sim::MemorySink log;
    sim::NvStore store("", 1 << 20); // memory only, 1 MiB
    sim::GraphicsStore graphics("", 1 << 20);
    sim::Printer printer(data[0] & 1 ? 384 : 576, store, graphics, log, "");
    sim::Decoder decoder(printer, log);
    // The first byte also picks the piece size, so split commands are covered.
    const std::size_t piece = 1 + (data[0] >> 1) % 17;
    for (std::size_t pos = 1; pos < size; pos += piece)
        decoder.feed(data + pos, std::min(piece, size - pos));
    decoder.finish();
    return 0;
}
