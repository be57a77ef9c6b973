#include "printer.h"

#include "png_file.h"

#include <algorithm>
#include <cstdio>

namespace sim {

Printer::Printer(int paper_dots, NvStore& store, GraphicsStore& graphics, RecordSink& log,
                 std::string out_dir)
    : paper_(paper_dots), store_(store), graphics_(graphics), log_(log),
      out_dir_(std::move(out_dir)) {}

bool Printer::store_nv_images(std::vector<NvImage> images, std::uint64_t offset) {
    if (nv_exclusive_ && graphics_.count() > 0) {
        const std::size_t n = graphics_.count();
        const bool ok = graphics_.remove_all();
        log_.write(Record("nv_erased")
                       .add("store", "graphics")
                       .add("by", "FS q")
                       .add("offset", offset)
                       .add("count", n)
                       .add("ok", ok));
    }
    return store_.replace(std::move(images));
}

bool Printer::define_graphics(const std::string& key, GraphicsImage image, std::uint64_t offset,
                              const std::string& name) {
    if (nv_exclusive_ && store_.count() > 0) {
        const std::size_t n = store_.count();
        const bool ok = store_.replace({});
        log_.write(Record("nv_erased")
                       .add("store", "FS q")
                       .add("by", name)
                       .add("offset", offset)
                       .add("count", n)
                       .add("ok", ok));
    }
    return graphics_.define(key, std::move(image));
}

void Printer::print_graphics(std::uint64_t offset, const GraphicsImage& im, Scale s,
                             const char* name) {
    note_clip(offset, name, im.width * s.sx);
    const int visible_cols = std::min(im.width, (paper_.width() + s.sx - 1) / s.sx);
    for (int row = 0; row < im.height; ++row)
        for (int col = 0; col < visible_cols; ++col)
            if (im.dot(col, row))
                for (int i = 0; i < s.sx; ++i)
                    for (int j = 0; j < s.sy; ++j)
                        plot(col * s.sx + i, row * s.sy + j, offset, name);
    paper_.advance(im.height * s.sy);
}

void Printer::plot(int x, int dy, std::uint64_t offset, const char* name) {
    if (x >= paper_.width())
        return; // clipped at the right edge, reported once per image
    if (!paper_.set_dot(x, dy) && !length_clipped_) {
        length_clipped_ = true;
        log_.write(Record("clip")
                       .add("offset", offset)
                       .add("name", name)
                       .add("reason", "receipt length")
                       .add("max_rows", Paper::kMaxRows));
    }
}

void Printer::note_clip(std::uint64_t offset, const char* name, int width) {
    if (width > paper_.width())
        log_.write(Record("clip")
                       .add("offset", offset)
                       .add("name", name)
                       .add("width", width)
                       .add("paper", paper_.width()));
}

bool Printer::print_nv(std::uint64_t offset, int n, Scale s) {
    const NvImage* im = store_.get(n);
    if (!im)
        return false;
    note_clip(offset, "FS p", im->width_dots() * s.sx);
    const int visible_cols = std::min(im->width_dots(), (paper_.width() + s.sx - 1) / s.sx);
    for (int row = 0; row < im->height_dots(); ++row)
        for (int col = 0; col < visible_cols; ++col)
            if (im->dot(col, row))
                for (int i = 0; i < s.sx; ++i)
                    for (int j = 0; j < s.sy; ++j)
                        plot(col * s.sx + i, row * s.sy + j, offset, "FS p");
    paper_.advance(im->height_dots() * s.sy);
    return true;
}

void Printer::raster_begin(std::uint64_t offset, int width_bytes, int rows, Scale s) {
    (void)rows;
    raster_scale_ = s;
    raster_offset_ = offset;
    note_clip(offset, "GS v 0", 8 * width_bytes * s.sx);
}

void Printer::raster_row(const std::uint8_t* bytes, std::size_t n) {
    const Scale s = raster_scale_;
    for (std::size_t b = 0; b < n; ++b) {
        if (!bytes[b])
            continue;
        for (int bit = 0; bit < 8; ++bit)
            if (bytes[b] & (0x80 >> bit)) {
                const int col = static_cast<int>(b) * 8 + bit;
                for (int i = 0; i < s.sx; ++i)
                    for (int j = 0; j < s.sy; ++j)
                        plot(col * s.sx + i, j, raster_offset_, "GS v 0");
            }
    }
    paper_.advance(s.sy);
}

void Printer::cut(std::uint64_t offset, const std::string& name) {
    if (paper_.empty()) {
        paper_.clear();
        return;
    }
    ++receipt_count_;
    char file[32];
    std::snprintf(file, sizeof file, "receipt-%04d.png", receipt_count_);
    Record r("receipt");
    r.add("offset", offset)
        .add("cut", name)
        .add("width", paper_.width())
        .add("height", paper_.height());
    if (!out_dir_.empty()) {
        const std::string path = out_dir_ + "/" + file;
        r.add("file", path);
        if (!write_receipt_png(path, paper_))
            r.add("error", "could not write the picture");
    } else {
        r.add("file", file);
    }
    log_.write(r);
    paper_.clear();
    length_clipped_ = false;
}

} // namespace sim
