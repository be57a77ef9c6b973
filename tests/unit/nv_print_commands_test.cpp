#include "printer/nv_print_commands.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

using test::RecordingSink;
using Bytes = std::vector<std::uint8_t>;

const Bytes kTrailer = {0x0A, 0x0A, 0x0A, 0x0C, 0x1B, 0x6D};

TEST(NvPrintCommands, AllPrintIsNineteenCommandsAndOneTrailer) {
    RecordingSink sink;
    ASSERT_EQ(WriteNvPrintAll(sink), EncodeResult::Ok);
    ASSERT_EQ(sink.writes.size(), 20u);
    EXPECT_EQ(sink.Joined().size(), 82u);
    for (std::uint8_t n = 1; n <= 19; ++n) {
        EXPECT_EQ(sink.writes[n - 1], (Bytes{0x1C, 0x70, n, 0x30})) << int{n};
    }
    EXPECT_EQ(sink.writes[18], (Bytes{0x1C, 0x70, 0x13, 0x30}));
    EXPECT_EQ(sink.writes[19], kTrailer);
}

TEST(NvPrintCommands, SelectPrintIsOneCommandAndTheTrailer) {
    for (const std::uint8_t n : {5, 255, 1}) {
        RecordingSink sink;
        ASSERT_EQ(WriteNvPrintSelect(sink, n), EncodeResult::Ok);
        EXPECT_EQ(sink.writes, (std::vector<Bytes>{{0x1C, 0x70, n, 0x30}, kTrailer})) << int{n};
    }
}

TEST(NvPrintCommands, TrailerIsOneWrite) {
    RecordingSink sink;
    ASSERT_EQ(WritePrintTrailer(sink), EncodeResult::Ok);
    EXPECT_EQ(sink.writes, std::vector<Bytes>{kTrailer});
}

TEST(NvPrintCommands, StopAtTheFirstFailedWrite) {
    for (const std::size_t failing : {0u, 3u, 19u}) {
        RecordingSink sink(failing);
        EXPECT_EQ(WriteNvPrintAll(sink), EncodeResult::WriteFailed) << failing;
        EXPECT_EQ(sink.Attempts(), failing + 1) << failing;
    }
    RecordingSink commandFails(0);
    EXPECT_EQ(WriteNvPrintSelect(commandFails, 7), EncodeResult::WriteFailed);
    EXPECT_EQ(commandFails.Attempts(), 1u);
    RecordingSink trailerFails(1);
    EXPECT_EQ(WriteNvPrintSelect(trailerFails, 7), EncodeResult::WriteFailed);
}

} // namespace
} // namespace quillet
