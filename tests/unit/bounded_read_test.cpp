// Memory is bounded by what will be sent: a header is judged before any pixel is read, and only
// the B pixel bytes of each row are kept, however far apart the rows lie. Sparse files of a
// gigabyte stand for such pictures; the peak resident size shows what the reader held.
#include "bmp_builder.h"
#include "image/mono_bmp.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>

namespace quillet {
namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A 62-byte header claiming `width` x `height` and a size field of `sizeField`, the file then
// grown (sparsely) to `length` bytes of zeros.
std::filesystem::path SparseBmp(const test::TempDir& dir, std::uint32_t width, std::uint32_t height,
                                std::uint64_t sizeField, std::uint64_t length) {
    test::Bytes header = test::BuildBmp(
        {.width = width, .height = height, .sizeField = static_cast<std::uint32_t>(sizeField)});
    header.resize(62);
    const auto path = dir.Write("sparse.bmp", header);
    std::filesystem::resize_file(path, length);
    return path;
}

TEST(BoundedRead, ARefusedRasterPictureIsNotRead) {
    test::TempDir dir;
    // 1601 dots wide: 201 bytes a row, over the raster limit; rows a megabyte apart.
    const auto path = SparseBmp(dir, 1601, 1000, 62 + kGiB, 62 + kGiB);
    const long before = PeakResidentKb();
    MonoBmp picture;
    EXPECT_EQ(picture.Read(path.c_str(), CheckRasterGeometry), BmpCheck::BadGeometry);
    EXPECT_LT(PeakResidentKb() - before, 64 * 1024) << "kilobytes held for a refused picture";
}

TEST(BoundedRead, RowsAGigabyteApartKeepOnlyTheirPixelBytes) {
    test::TempDir dir;
    // Two rows of 2 bytes, 1 GiB apart; the file holds zeros, which the black-first palette
    // turns into dots.
    const auto path = SparseBmp(dir, 16, 2, 62 + 2 * kGiB, 62 + kGiB + 2);
    const long before = PeakResidentKb();
    MonoBmp picture;
    ASSERT_EQ(picture.Read(path.c_str(), CheckNvGeometry), BmpCheck::Ok);
    EXPECT_LT(PeakResidentKb() - before, 64 * 1024) << "kilobytes held for 4 pixel bytes";
    EXPECT_EQ(picture.Info().stride, kGiB);
    for (std::uint32_t top = 0; top < 2; ++top) {
        const auto row = picture.Row(top);
        EXPECT_EQ(test::Bytes(row.begin(), row.end()), (test::Bytes{0xFF, 0xFF})) << top;
    }
}

} // namespace
} // namespace quillet
