// Printer faults from the virtual printer: a line held with XOFF past the write time-out, and a
// hang-up. A write that did not go out is reported, and nothing more is sent after it.
#include "printer_command_fixture.h"

#include "link/printer_link.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;

class PtyFaults : public PrinterCommandTest {
protected:
    void SetUp() override {
        PrinterCommandTest::SetUp();
        ASSERT_NE(Peer().com, 0) << "run through run_printer_command_tests.sh";
        m_dlg.m_nCommandDelayMs = 0;
    }
    // Three pictures of 576 x 400 dots: about 86 KB of printer data, far more than the line
    // buffers hold.
    void UseThreeLargePictures(const ScratchCurrentDirectory& cwd) {
        for (int i = 0; i < 3; ++i) {
            const std::string name = cwd.File("big" + std::to_string(i) + ".bmp");
            WriteWholeFile(name, PictureBmp(576, 400, [i](std::uint32_t x, std::uint32_t y) {
                               return ((x + y * (i + 1)) / 7) % 2 == 0;
                           }));
            UseSlot(i, name);
        }
    }
    static bool IsPrefix(const Bytes& part, const Bytes& whole) {
        return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
    }
};

constexpr std::size_t kNvStreamOfThree = 3 + 3 * (4 + 72 * 50 * 8);

// run with: --xoff-after 1 --xoff-ms 7000
TEST_F(PtyFaults, NvDownloadHeldPastTheTimeOutSaysPortWriteAndStillCompletesTheFile) {
    ScratchCurrentDirectory cwd;
    UseThreeLargePictures(cwd);
    ASSERT_TRUE(ConnectLink(1)); // Xon/Xoff
    Arm();
    const std::size_t mark = RawSize();
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kPortWrite});
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_GT(elapsed, 5000u);
    EXPECT_LT(elapsed, 6800u); // one time-out, then nothing more is tried
    const Bytes file = ReadWholeFile(cwd.File("NvSave.BIN"));
    EXPECT_EQ(file.size(), kNvStreamOfThree);
    // After the XON the printer gets what the line had taken before, and nothing after it.
    const Bytes received = RawSince(mark, file.size(), 4000);
    EXPECT_LT(received.size(), file.size());
    EXPECT_TRUE(IsPrefix(received, file));
}

// run with: --hangup-after 3000
TEST_F(PtyFaults, AfterAHangUpEveryCommandSaysPortWriteOnceAndSendsNothingMore) {
    ScratchCurrentDirectory cwd;
    UseThreeLargePictures(cwd);
    ASSERT_TRUE(ConnectLink());
    Arm();
    const std::size_t mark = RawSize();
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(Press(IDC_BTN_RASTER_PRINT_ALL), Messages{kPortWrite});
    EXPECT_LT(::GetTickCount64() - start, 6000u);
    const Bytes received = RawSince(mark, 0);
    EXPECT_GE(received.size(), 3000u);
    EXPECT_LT(received.size(), 3u * (8 + 72 * 400 + 6));
    ASSERT_GE(received.size(), 8u);
    EXPECT_EQ(Bytes(received.begin(), received.begin() + 8),
              (Bytes{0x1D, 0x76, 0x30, 0x00, 72, 0x00, 0x90, 0x01}));

    EXPECT_EQ(Press(IDC_BTN_NV_PRINT_ALL), Messages{kPortWrite});
    EXPECT_EQ(Press(IDC_BTN_NV_PRINT_SELECT), Messages{kPortWrite});
    EXPECT_EQ(Press(IDC_BTN_BPS_9600), Messages{kPortWrite});
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "");
    EXPECT_EQ(m_dlg.m_nCommandCount, 1);
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kPortWrite});
    EXPECT_EQ(ReadWholeFile(cwd.File("NvSave.BIN")).size(), kNvStreamOfThree);
}

} // namespace
