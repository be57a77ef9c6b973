// GS ( L and GS 8 L with m = 48: NV graphics capacity, key list, delete, define (raster) and
// print. The body after the length is taken byte by byte, so a definition of megabytes streams.
#pragma once

#include "graphics_store.h"
#include "printer.h"
#include "record.h"
#include "responder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class GraphicsCommand {
public:
    enum class Outcome {
        More,        // more body bytes to come
        Done,        // the command is complete
        NvWritten,   // complete, and it wrote NV memory
        AwaitsReply, // a key list block said more follows: the host answers ACK, NAK or CAN
    };

    GraphicsCommand(Printer& printer, RecordSink& log, Responder& responder)
        : printer_(printer), log_(log), responder_(responder) {}

    // The header has been read: `length` body bytes follow (none: the command is complete now).
    Outcome begin(std::uint64_t offset, const char* name, std::uint64_t length);
    Outcome take(std::uint8_t b);
    // The host's byte after a key list block with more to follow; false when it is no reply
    // (the exchange ends and the byte is a command of its own).
    bool reply(std::uint8_t b, std::uint64_t offset, Outcome& next);
    // The stream ended inside the body.
    void truncated();
    const char* name() const { return name_; }
    // A broken printer: every key list block says more follows, for ever.
    void set_endless_key_list(bool on) { endless_ = on; }

private:
    // Longest body of a function other than a definition.
    static constexpr std::size_t kMaxSmallBody = 16;
    // m fn a kc1 kc2 b xL xH yL yH c
    static constexpr std::size_t kDefineHeader = 11;

    Outcome execute();
    void definition_header();
    Outcome definition_done();
    Outcome delete_all();
    Outcome delete_key();
    Outcome print_key();
    void send_capacity(int fn, std::uint64_t value);
    Outcome send_key_block();
    Outcome send_endless_block();
    Record cmd(int fn) const;
    Outcome refuse(int fn, const std::string& reason);

    Printer& printer_;
    RecordSink& log_;
    Responder& responder_;

    const char* name_ = "";
    std::uint64_t offset_ = 0;
    std::uint64_t length_ = 0;
    std::uint64_t received_ = 0;
    std::vector<std::uint8_t> head_; // the body's first bytes

    // A definition in progress.
    std::string key_;
    GraphicsImage image_;
    std::string refusal_; // empty: the image is being kept

    bool endless_ = false;
    // A key list being sent.
    std::vector<std::string> list_;
    std::size_t block_start_ = 0;
    std::size_t block_end_ = 0;
};

} // namespace sim
