// Streaming ESC/POS decoder: bytes may arrive split anywhere; every decoded command is logged
// with its byte offset and handed to the printer.
#pragma once

#include "graphics_command.h"
#include "nv_store.h"
#include "printer.h"
#include "record.h"
#include "responder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// What kind of printer decodes: a current model unless told otherwise.
struct PrinterModel {
    bool process_id = true;        // answers GS ( H function 48; an older printer ignores it
    bool endless_key_list = false; // every NV graphics key list block says more follows
};

class Decoder {
public:
    // Longest data part of a setting packet taken as one; a longer length means it is no packet.
    static constexpr int kMaxConfigData = 256;

    Decoder(Printer& printer, RecordSink& log, Responder& responder)
        : printer_(printer), log_(log), responder_(responder), graphics_(printer, log, responder) {}
    Decoder(Printer& printer, RecordSink& log) : Decoder(printer, log, no_responder_) {}

    // Decodes up to n bytes; returns how many it took, fewer when an NV write made the responder
    // stop it.
    std::size_t feed(const std::uint8_t* bytes, std::size_t n);
    // The stream has ended (exit or hang-up): a command cut short is logged as truncated.
    void finish();
    std::uint64_t offset() const { return offset_; }
    void set_model(const PrinterModel& m);

private:
    enum class Mode {
        Command,
        NvBlockHeader,
        NvData,
        RasterData,
        ConfigData,
        GraphicsBody,
        KeyListReply,
        ProcessIdBody
    };
    enum class Match { NeedMore, Unknown, Done };

    void step(std::uint8_t b, std::uint64_t off);
    Match classify() const;
    void execute();
    void unknown_then_replay();
    void realtime();
    void question();
    void process_id_byte(std::uint8_t b);
    void process_id_done();
    void nv_written(const char* name);
    void graphics_outcome(GraphicsCommand::Outcome o);

    void start_nv_definition(int n);
    void nv_block_header_done();
    void nv_next_block();
    void nv_definition_done();
    void nv_data(std::uint8_t b);
    void raster_data(std::uint8_t b);
    void config_data(std::uint8_t b);
    void config_done();
    std::string pending_name() const;

    static inline NoResponder no_responder_;
    Printer& printer_;
    RecordSink& log_;
    Responder& responder_;
    GraphicsCommand graphics_;
    PrinterModel model_;
    bool paused_ = false;
    std::uint64_t offset_ = 0;
    Mode mode_ = Mode::Command;

    // Command bytes collected so far, and the offset of the first.
    std::vector<std::uint8_t> hdr_;
    std::uint64_t hdr_off_ = 0;

    // FS q in progress.
    struct NvDefinition {
        int n = 0;
        int index = 0; // block being received
        std::uint8_t block_hdr[4] = {};
        int block_hdr_len = 0;
        int x = 0;
        int y = 0;
        std::uint64_t remaining = 0;
        std::uint64_t total = 0;
        std::vector<NvImage> images;
        std::string images_json;
        bool refused = false;
        Record refusal{"refused"};
    } nv_;

    // GS v 0 in progress.
    struct Raster {
        int x = 0;
        int y = 0;
        int rows_done = 0;
        int col = 0;
        std::vector<std::uint8_t> row; // the part of a row that lands on the paper
    } raster_;

    // GS ( H in progress: its whole announced length is read, whatever it holds.
    struct ProcessId {
        std::uint64_t length = 0;
        std::uint64_t received = 0;
        std::vector<std::uint8_t> body; // the first bytes, as many as a known function has
    } pid_;

    // Setting packet in progress.
    struct Config {
        int code1 = 0;
        int code2 = 0;
        int n = 0;
        std::vector<std::uint8_t> data;
    } config_;
};

} // namespace sim
