// The commands a host asks with: real-time status and requests, paper sensors, printer IDs.
#include "decoder.h"
#include "status.h"

namespace sim {

void Decoder::realtime() {
    const auto& h = hdr_;
    const char* name = h[1] == 0x04 ? "DLE EOT" : h[1] == 0x05 ? "DLE ENQ" : "DLE DC4";
    const int n = h[2];
    const bool known = h[1] == 0x04   ? n >= 1 && n <= 4
                       : h[1] == 0x05 ? n >= 1 && n <= 2
                                      : n == 1 || n == 2 || n == 8;
    if (!known) {
        log_.write(Record("unknown").add("offset", hdr_off_).add("name", name).add("n", n));
        return;
    }
    Record r("cmd");
    r.add("name", name).add("offset", hdr_off_).add("n", n);
    // Taken when it arrived: answering again here would answer twice.
    const std::string taken = responder_.taken_on_arrival(hdr_off_);
    if (!taken.empty())
        r.add("on_arrival", taken);
    log_.write(r);
    if (!taken.empty() || h[1] != 0x04)
        return;
    if (const auto b = transmit_status(printer_.status(), n))
        responder_.answer(hdr_off_, name, n, {*b});
}

void Decoder::question() {
    const auto& h = hdr_;
    const int n = h[2];
    if (h[1] == 'r') {
        if (n != 1 && n != 49) {
            log_.write(Record("unknown").add("offset", hdr_off_).add("name", "GS r").add("n", n));
            return;
        }
        log_.write(Record("cmd").add("name", "GS r").add("offset", hdr_off_).add("n", n));
        responder_.answer(hdr_off_, "GS r", n, {paper_sensor_status(printer_.status())});
        return;
    }
    const auto id = printer_id(n);
    if (!id) {
        log_.write(Record("unknown").add("offset", hdr_off_).add("name", "GS I").add("n", n));
        return;
    }
    log_.write(Record("cmd").add("name", "GS I").add("offset", hdr_off_).add("n", n));
    responder_.answer(hdr_off_, "GS I", n, *id);
}

} // namespace sim
