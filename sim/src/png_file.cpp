#include "png_file.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace sim {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libpng's errors jump back here: no object with a destructor may live in this frame, which a
// jump would skip (the row buffer is the caller's).
bool write_png_rows(std::FILE* f, const Paper& paper, int h, png_byte* row, std::size_t bytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, paper.width(), h, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        std::fill(row, row + bytes, 0xFF);
        for (int x = 0; x < paper.width(); ++x)
            if (paper.dot(x, y))
                row[x / 8] &= static_cast<png_byte>(~(0x80 >> (x % 8)));
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool write_receipt_png(const std::string& path, const Paper& paper) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f)
        return false;
    // A PNG needs at least one row; an all-white row stands for paper with nothing on it.
    const int h = paper.height() > 0 ? paper.height() : 1;
    std::vector<png_byte> row((paper.width() + 7) / 8);
    return write_png_rows(f.get(), paper, h, row.data(), row.size()) && std::fflush(f.get()) == 0;
}

bool read_png_dots(const std::string& path, DotPicture& out) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, f.get());
    png_read_info(png, info);
    // Whatever the stored format, read 8-bit gray so that black is 0.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    png_read_update_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    out.dots.assign(static_cast<std::size_t>(out.width) * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < out.width; ++x)
            out.dots[static_cast<std::size_t>(y) * out.width + x] = row[x] < 128 ? 1 : 0;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace sim
