// What the printer does with decoded commands: dots on paper, feeds, cuts that end a receipt.
#pragma once

#include "graphics_store.h"
#include "nv_store.h"
#include "paper.h"
#include "record.h"
#include "status.h"

#include <cstdint>
#include <string>

namespace sim {

// Print size from the mode byte m of FS p and GS v 0: bit 0 doubles the width, bit 1 the height.
struct Scale {
    int sx = 1;
    int sy = 1;
    static Scale from_mode(std::uint8_t m) { return {(m & 1) ? 2 : 1, (m & 2) ? 2 : 1}; }
};

class Printer {
public:
    // One line feed with the default line spacing of 1/6 inch at 203 dpi.
    static constexpr int kLineDots = 34;

    // out_dir empty: receipts are logged but no file is written.
    Printer(int paper_dots, NvStore& store, GraphicsStore& graphics, RecordSink& log,
            std::string out_dir);

    NvStore& store() { return store_; }
    GraphicsStore& graphics() { return graphics_; }
    // Some printers keep one NV road only: defining on one erases the other.
    void set_nv_exclusive(bool on) { nv_exclusive_ = on; }
    // FS q: replaces every NV image; false when the store could not be written.
    bool store_nv_images(std::vector<NvImage> images, std::uint64_t offset);
    // An NV graphics definition; false when it could not be written.
    bool define_graphics(const std::string& key, GraphicsImage image, std::uint64_t offset,
                         const std::string& name);
    const PrinterStatus& status() const { return status_; }
    void set_status(const PrinterStatus& s) { status_ = s; }
    int paper_dots() const { return paper_.width(); }
    const Paper& paper() const { return paper_; }

    // Prints stored image n at the left margin; false when n holds no image.
    bool print_nv(std::uint64_t offset, int n, Scale s);
    void print_graphics(std::uint64_t offset, const GraphicsImage& im, Scale s, const char* name);
    // A raster image of `rows` rows, each of `width_bytes` bytes, comes row by row.
    void raster_begin(std::uint64_t offset, int width_bytes, int rows, Scale s);
    // bytes: the leading part of one row (at most the paper's width of it).
    void raster_row(const std::uint8_t* bytes, std::size_t n);
    void feed(int rows) { paper_.advance(rows); }
    // Ends the current receipt and writes its picture (a cut of blank-less paper writes nothing).
    void cut(std::uint64_t offset, const std::string& name);
    int receipts() const { return receipt_count_; }

private:
    void plot(int x, int dy, std::uint64_t offset, const char* name);
    void note_clip(std::uint64_t offset, const char* name, int width);

    Paper paper_;
    NvStore& store_;
    GraphicsStore& graphics_;
    bool nv_exclusive_ = false;
    PrinterStatus status_;
    RecordSink& log_;
    std::string out_dir_;
    int receipt_count_ = 0;
    bool length_clipped_ = false;
    // Raster image in progress.
    Scale raster_scale_;
    std::uint64_t raster_offset_ = 0;
};

} // namespace sim
