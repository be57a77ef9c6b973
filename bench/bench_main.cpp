// Speed of the picture encoders on the largest pictures the design holds, read from a real file,
// against the original way of reading: one seek and one read system call per pixel byte.
#include "image/mono_bmp.h"
#include "printer/nv_image_encoder.h"
#include "printer/raster_encoder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using quillet::BmpCheck;
using quillet::EncodeResult;
using quillet::MonoBmp;

constexpr std::uint32_t kWidth = 1600;
constexpr std::uint32_t kHeight = 8000;
constexpr std::uint32_t kStride = kWidth / 8;

// A 1600 x 8000 1-bit BMP with a black-first palette and an uneven pattern, in the temp folder.
class LargePicture {
public:
    LargePicture() {
        path_ = (std::filesystem::temp_directory_path() /
                 ("quillet-bench-" + std::to_string(getpid()) + ".bmp"))
                    .string();
        std::vector<std::uint8_t> file(62 + std::size_t{kStride} * kHeight, 0);
        const auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        };
        file[0] = 'B';
        file[1] = 'M';
        put32(2, static_cast<std::uint32_t>(file.size()));
        put32(10, 62);
        put32(14, 40);
        put32(18, kWidth);
        put32(22, kHeight);
        file[26] = 1;
        file[28] = 1;
        put32(58, 0x00FFFFFF);
        std::uint32_t seed = 12345;
        for (std::size_t i = 62; i < file.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            file[i] = static_cast<std::uint8_t>(seed >> 16);
        }
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    }
    ~LargePicture() { std::remove(path_.c_str()); }
    const char* Path() const { return path_.c_str(); }

private:
    std::string path_;
};

// The dialog's work area, kept apart from the baseline's own buffers.
quillet::NvWorkArea g_work;

const LargePicture& Picture() {
    static const LargePicture picture;
    return picture;
}

class CountingSink : public quillet::ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t size) override {
        bytes += size;
        ++writes;
        last = size ? data[size - 1] : 0;
        return true;
    }
    std::size_t bytes = 0;
    std::size_t writes = 0;
    std::uint8_t last = 0;
};

// Keeps everything, to compare the baseline's output with the encoder's.
class KeepingSink : public quillet::ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    std::vector<std::uint8_t> bytes;
};

// The original NV block encoder: 8 buffers of 1000 bytes, and for each band and row one seek and
// one read of a single byte straight from the file.
bool ByteByByteNvBlock(const char* path, quillet::ByteSink& sink) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        return false;
    }
    std::uint8_t header[62];
    if (read(fd, header, sizeof header) != sizeof header) {
        close(fd);
        return false;
    }
    const auto le = [&](int at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            v = v << 8 | header[at + i];
        }
        return v;
    };
    const std::uint32_t fileSize = le(2, 4);
    const std::uint32_t width = le(18, 2);
    const std::uint32_t height = le(22, 2);
    const std::uint32_t stride = (fileSize - 62) / height;
    const bool invert = header[54] == 0;
    static constexpr std::uint8_t kMasks[8] = {0, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
    const std::uint8_t mask = kMasks[width % 8];
    const std::uint32_t x = (width + 7) / 8;
    const std::uint32_t y = (height + 7) / 8;
    const std::uint8_t blockHeader[] = {
        static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
        static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8)};
    sink.Write(blockHeader, sizeof blockHeader);
    static std::array<std::array<std::uint8_t, 1000>, 8> columns;
    for (std::uint32_t c = 0; c < x; ++c) {
        for (auto& column : columns) {
            column.fill(0);
        }
        std::uint8_t bit = 0x80;
        std::uint32_t k = 0;
        for (std::uint32_t top = 0; top < height; ++top) {
            const std::uint32_t r = height - 1 - top;
            std::uint8_t byte = 0;
            lseek(fd, static_cast<off_t>(62 + std::uint64_t{stride} * r + c), SEEK_SET);
            if (read(fd, &byte, 1) != 1) {
                byte = invert ? 0xFF : 0x00;
            }
            if (invert) {
                byte = static_cast<std::uint8_t>(~byte);
            }
            if (c == x - 1 && mask != 0) {
                byte &= mask;
            }
            for (int j = 0; j < 8; ++j) {
                if (byte & (0x80 >> j)) {
                    columns[j][k] |= bit;
                }
            }
            bit >>= 1;
            if (bit == 0) {
                bit = 0x80;
                ++k;
            }
        }
        for (const auto& column : columns) {
            sink.Write(column.data(), y);
        }
    }
    close(fd);
    return true;
}

// Both ways must give the same bytes, or the comparison means nothing.
void CheckBaselineAgrees() {
    MonoBmp picture;
    KeepingSink ours;
    KeepingSink baseline;
    if (picture.Read(Picture().Path(), quillet::CheckNvGeometry) != BmpCheck::Ok ||
        quillet::WriteNvImageBlock(ours, picture, g_work) != EncodeResult::Ok ||
        !ByteByByteNvBlock(Picture().Path(), baseline) || ours.bytes != baseline.bytes) {
        std::fprintf(stderr, "the baseline and the encoder disagree\n");
        std::exit(1);
    }
}

void NvBlockFromFile(benchmark::State& state) {
    CountingSink sink;
    for (auto _ : state) {
        MonoBmp picture;
        if (picture.Read(Picture().Path(), quillet::CheckNvGeometry) != BmpCheck::Ok ||
            quillet::WriteNvImageBlock(sink, picture, g_work) != EncodeResult::Ok) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(sink.last);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(NvBlockFromFile)
    ->Name("FS q block 1600x8000, read + encode")
    ->Unit(benchmark::kMillisecond);

void NvBlockEncodeOnly(benchmark::State& state) {
    MonoBmp picture;
    if (picture.Read(Picture().Path(), quillet::CheckNvGeometry) != BmpCheck::Ok) {
        state.SkipWithError("read failed");
        return;
    }
    CountingSink sink;
    for (auto _ : state) {
        quillet::WriteNvImageBlock(sink, picture, g_work);
        benchmark::DoNotOptimize(sink.last);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(NvBlockEncodeOnly)
    ->Name("FS q block 1600x8000, encode only")
    ->Unit(benchmark::kMillisecond);

void RasterFromFile(benchmark::State& state) {
    CountingSink sink;
    for (auto _ : state) {
        MonoBmp picture;
        if (picture.Read(Picture().Path(), quillet::CheckRasterGeometry) != BmpCheck::Ok ||
            quillet::WriteRasterImage(sink, picture) != EncodeResult::Ok) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(sink.last);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(RasterFromFile)->Name("GS v 0 1600x8000, read + encode")->Unit(benchmark::kMillisecond);

void NvBlockByteByByte(benchmark::State& state) {
    CountingSink sink;
    for (auto _ : state) {
        ByteByByteNvBlock(Picture().Path(), sink);
        benchmark::DoNotOptimize(sink.last);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(NvBlockByteByByte)
    ->Name("FS q block 1600x8000, baseline: one seek + one read per byte")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    CheckBaselineAgrees();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
