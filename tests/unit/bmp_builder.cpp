#include "bmp_builder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace quillet::test {
namespace {

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

} // namespace

Bytes BuildBmp(const BmpFields& f) {
    Bytes file(62, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 10, f.dataOffset);
    Put32(file, 14, f.infoHeaderSize);
    Put32(file, 18, f.width);
    Put32(file, 22, f.height);
    Put16(file, 26, 1);
    Put16(file, 28, f.bitsPerPixel);
    Put32(file, 46, 2);
    std::copy(f.palette0.begin(), f.palette0.end(), file.begin() + 54);
    std::copy(f.palette1.begin(), f.palette1.end(), file.begin() + 58);
    for (const Bytes& row : f.fileRows) {
        file.insert(file.end(), row.begin(), row.end());
    }
    Put32(file, 2, f.sizeField.value_or(static_cast<std::uint32_t>(file.size())));
    Put32(file, 34, static_cast<std::uint32_t>(file.size() - 62));
    if (f.cutTo) {
        file.resize(*f.cutTo);
    }
    return file;
}

Bytes BuildPictureBmp(std::uint32_t width, std::uint32_t height,
                      const std::function<bool(std::uint32_t, std::uint32_t)>& dot,
                      const Palette& palette0) {
    const std::uint32_t stride = (width + 31) / 32 * 4;
    const bool dotIsZero = palette0[0] == 0;
    BmpFields f;
    f.width = width;
    f.height = height;
    f.palette0 = palette0;
    f.palette1 = dotIsZero ? kWhite : kBlack;
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint32_t y = height - 1 - r;
        Bytes row(stride, 0xFF);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
            if (dot(x, y) != dotIsZero) {
                row[x / 8] |= bit;
            } else {
                row[x / 8] &= static_cast<std::uint8_t>(~bit);
            }
        }
        f.fileRows.push_back(row);
    }
    return BuildBmp(f);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temp directory");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const Bytes& bytes) const {
    const auto path = path_ / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

std::string CommandOutput(const std::string& command) {
    struct Closer {
        void operator()(std::FILE* f) const { pclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> pipe(popen(command.c_str(), "r"));
    std::string out;
    char buffer[4096];
    std::size_t got;
    while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) {
        out.append(buffer, got);
    }
    return out;
}

} // namespace quillet::test
