// The commands a host asks with: real-time status and requests, paper sensors, printer IDs,
// process ID responses.
#include "decoder.h"
#include "status.h"

namespace sim {

namespace {

// GS ( H function 48: fn m d1 d2 d3 d4.
constexpr std::size_t kProcessIdLength = 6;
constexpr std::uint8_t kProcessIdFunction = 0x30;

bool valid_id_byte(std::uint8_t b) {
    return b >= 0x20 && b <= 0x7E;
}

} // namespace

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

void Decoder::process_id_byte(std::uint8_t b) {
    if (pid_.body.size() < kProcessIdLength)
        pid_.body.push_back(b);
    if (++pid_.received == pid_.length)
        process_id_done();
}

// Reached in stream order, so the answer says that everything before it has been done.
void Decoder::process_id_done() {
    mode_ = Mode::Command;
    const auto& b = pid_.body;
    const int fn = b.empty() ? -1 : b[0];
    if (!model_.process_id || fn != kProcessIdFunction) {
        Record r("unknown");
        r.add("offset", hdr_off_).add("name", "GS ( H").add("length", pid_.length);
        if (fn >= 0)
            r.add("fn", fn);
        log_.write(r);
        return;
    }
    const char* reason = nullptr;
    if (pid_.length != kProcessIdLength)
        reason = "length is not 6";
    else if (b[1] != 0x30)
        reason = "m must be 48";
    else
        for (std::size_t i = 2; i < kProcessIdLength; ++i)
            if (!valid_id_byte(b[i]))
                reason = "id byte out of range 32-126";
    if (reason) {
        log_.write(Record("refused")
                       .add("name", "GS ( H")
                       .add("offset", hdr_off_)
                       .add("fn", fn)
                       .add("reason", reason)
                       .add("length", pid_.length)
                       .add("bytes", hex_bytes(b.data(), b.size())));
        return;
    }
    const std::string id(b.begin() + 2, b.end());
    log_.write(
        Record("cmd").add("name", "GS ( H").add("offset", hdr_off_).add("fn", fn).add("id", id));
    std::vector<std::uint8_t> answer = {0x37, 0x22};
    answer.insert(answer.end(), b.begin() + 2, b.end());
    answer.push_back(0x00);
    responder_.answer(hdr_off_, "GS ( H", fn, answer);
}

} // namespace sim
