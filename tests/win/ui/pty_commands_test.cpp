// The printer command handlers against the virtual printer on a real pty: the bytes the printer
// receives, write by write as a whole, and what the window shows.
#include "printer_command_fixture.h"

#include "link/printer_link.h"

#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;

const Bytes kTrailer = {0x0A, 0x0A, 0x0A, 0x0C, 0x1B, 0x6D};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class PtyCommands : public PrinterCommandTest {
protected:
    void SetUp() override {
        PrinterCommandTest::SetUp();
        ASSERT_NE(Peer().com, 0) << "run through run_printer_command_tests.sh";
        ASSERT_TRUE(ConnectLink());
        Arm();
        m_dlg.m_nCommandDelayMs = 0;
    }
    // What one press made the printer receive; `expected` is how much to wait for.
    Bytes Received(int id, std::size_t expected, Messages messages = {}) {
        const std::size_t mark = RawSize();
        EXPECT_EQ(Press(id), messages);
        return RawSince(mark, expected);
    }
};

TEST_F(PtyCommands, SettingButtonsSendTheirPacketsAndLines) {
    struct Case {
        int id;
        Bytes bytes;
    };
    const Bytes framed81 = {0x02, 0x00, 0x81, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0x82, 0x00};
    const Bytes framed92_3 = {0x02, 0x00, 0x92, 0x00, 0,    0,    0,    0,
                              0,    0,    0,    0,    0x03, 0x00, 0x93, 0x00};
    const Bytes framed82_2 = {0x02, 0x00, 0x82, 0x00, 0,    0,    0,    0,
                              0,    0,    0,    0,    0x02, 0x00, 0x82, 0x00};
    const Bytes framed92_2 = {0x02, 0x00, 0x92, 0x00, 0,    0,    0,    0,
                              0,    0,    0,    0,    0x02, 0x00, 0x92, 0x00};
    const Case kCases[] = {
        {IDC_BTN_BPS_9600, Join({framed81, {0x00, 0x00}})},
        {IDC_BTN_BPS_19200, Join({framed81, {0x01, 0x01}})},
        {IDC_BTN_BPS_115200, Join({framed81, {0x04, 0x04}})},
        {IDC_BTN_COLUMNS_42, Join({framed92_3, {0x0D, 0x01, 0xF8, 0xF4}})},
        {IDC_BTN_COLUMNS_48, Join({framed92_3, {0x0D, 0x00, 0x00, 0x0D}})},
        {IDC_BTN_BUZZER_USE, Join({framed82_2, {0xE5, 0x00, 0xE5}})},
        {IDC_BTN_BUZZER_NOT_USE, Join({framed82_2, {0xE1, 0x00, 0xE1}})},
        {IDC_BTN_NEAR_USE, {0x1B, 0x63, 0x33, 0x01}},
        {IDC_BTN_NEAR_NOT_USE, {0x1B, 0x63, 0x33, 0x00}},
        {IDC_BTN_CUT_COMMAND, Join({framed92_2, {0x0C, 0x00, 0x0C}})},
        {IDC_BTN_CUT_FULL, Join({framed92_2, {0x0C, 0x02, 0x0E}})},
        {IDC_BTN_CUT_PARTIAL, Join({framed92_2, {0x0C, 0x01, 0x0D}})},
        {IDC_BTN_JAM_USE, Join({framed92_2, {0x84, 0x01, 0x85}})},
        {IDC_BTN_JAM_NOT_USE, Join({framed92_2, {0x84, 0x00, 0x84}})},
        {IDC_BTN_FEED_SET, {0x1F, 0x43, 0x07}},
    };
    int count = 1;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Received(c.id, c.bytes.size()), c.bytes);
        std::string prefix = "(";
        prefix += std::to_string(count++);
        prefix += ") ";
        EXPECT_EQ(Text(IDC_EDIT_STATUS).rfind(prefix, 0), 0u);
    }
}

TEST_F(PtyCommands, FeedSetSendsTheLowByteOfTheTypedAmount) {
    struct Case {
        const char* typed;
        std::uint8_t n;
        const char* line;
    };
    const Case kCases[] = {{"10", 0x0A, "(1) Feeding :  = 10 mm"},
                           {"300", 0x2C, "(2) Feeding :  = 44 mm"},
                           {"-1", 0xFF, "(3) Feeding :  = 255 mm"},
                           {"", 0x00, "(4) Feeding :  = 0 mm"}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        Type(IDC_EDIT_FEED_MM, c.typed);
        EXPECT_EQ(Received(IDC_BTN_FEED_SET, 3), (Bytes{0x1F, 0x43, c.n}));
        EXPECT_EQ(Text(IDC_EDIT_STATUS), c.line);
    }
}

TEST_F(PtyCommands, AButtonPressedDuringThePauseSendsAtOnce) {
    m_dlg.m_nCommandDelayMs = 600;
    const std::size_t mark = RawSize();
    // Already queued when 9600's pause starts dispatching.
    ::PostMessageA(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_BPS_19200, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(IDC_BTN_BPS_19200)));
    const ULONGLONG start = ::GetTickCount64();
    Click(IDC_BTN_BPS_9600);
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    // Nested, not one after the other: both pauses end together.
    EXPECT_GT(elapsed, 600u);
    EXPECT_LT(elapsed, 1100u);
    const Bytes received = RawSince(mark, 36);
    ASSERT_EQ(received.size(), 36u);
    EXPECT_EQ(received[16], 0x00); // 9600 first
    EXPECT_EQ(received[34], 0x01); // then 19200
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "(2) BPS = 19200");
}

TEST_F(PtyCommands, StoredImagePrinting) {
    Bytes all;
    for (std::uint8_t n = 1; n <= 19; ++n)
        all.insert(all.end(), {0x1C, 0x70, n, 0x30});
    all.insert(all.end(), kTrailer.begin(), kTrailer.end());
    ASSERT_EQ(all.size(), 82u);
    EXPECT_EQ(Received(IDC_BTN_NV_PRINT_ALL, 82), all);

    struct Case {
        const char* typed;
        Bytes bytes;
        Messages messages;
    };
    const Case kCases[] = {
        {"1", Join({{0x1C, 0x70, 0x01, 0x30}, kTrailer}), {}},
        {"5", Join({{0x1C, 0x70, 0x05, 0x30}, kTrailer}), {}},
        {"255", Join({{0x1C, 0x70, 0xFF, 0x30}, kTrailer}), {}},
        {"256", Join({{0x1C, 0x70, 0xFF, 0x30}, kTrailer}), {kByteRangeMessage}},
        {"0", {}, {kNumberRange}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        Type(IDC_EDIT_PRINT_NUMBER, c.typed);
        EXPECT_EQ(Received(IDC_BTN_NV_PRINT_SELECT, c.bytes.size(), c.messages), c.bytes);
    }
}

TEST_F(PtyCommands, RasterPrintingSendsEachPictureAndATrailerEvenForARefusedOne) {
    ScratchCurrentDirectory cwd;
    WriteWholeFile(cwd.File("black.bmp"), PictureBmp(10, 3, ExampleDot, true));
    WriteWholeFile(cwd.File("wide.bmp"), PictureBmp(1601, 2, [](auto, auto) { return true; }));
    WriteWholeFile(cwd.File("widest.bmp"), PictureBmp(1600, 1, [](auto x, auto) { return x < 8; }));
    WriteWholeFile(cwd.File("white.bmp"), PictureBmp(10, 3, ExampleDot, false));
    UseSlot(0, cwd.File("black.bmp"));
    UseSlot(1, cwd.File("wide.bmp"));    // 201 bytes a row: refused
    UseSlot(2, cwd.File("missing.bmp")); // refused: cannot be opened
    UseSlot(3, cwd.File("widest.bmp"));  // 200 bytes a row: fills the row buffer
    UseSlot(4, cwd.File("white.bmp"));
    const Bytes example = {0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03,
                           0x00, 0xAA, 0x80, 0xFF, 0xC0, 0x00, 0x40};
    Bytes widest = {0x1D, 0x76, 0x30, 0x00, 200, 0x00, 0x01, 0x00, 0xFF};
    widest.resize(widest.size() + 199, 0x00);
    const Bytes expected =
        Join({example, kTrailer, kTrailer, kTrailer, widest, kTrailer, example, kTrailer});
    EXPECT_EQ(Received(IDC_BTN_RASTER_PRINT_ALL, expected.size()), expected);
}

TEST_F(PtyCommands, NvDownloadFileEqualsWhatThePrinterReceived) {
    ScratchCurrentDirectory cwd;
    for (int i = 0; i < 3; ++i) {
        const std::string name = cwd.File("logo" + std::to_string(i) + ".bmp");
        WriteWholeFile(name, PictureBmp(576, 200, [i](std::uint32_t x, std::uint32_t y) {
                           return (x / (8 + i) + y / 5) % 3 == 0;
                       }));
        UseSlot(i, name);
    }
    const std::size_t mark = RawSize();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kTranseFinish});
    const Bytes file = ReadWholeFile(cwd.File("NvSave.BIN"));
    ASSERT_EQ(file.size(), 3u + 3u * (4u + 72u * 25u * 8u));
    EXPECT_EQ(RawSince(mark, file.size()), file);
}

TEST_F(PtyCommands, WithTheLinkClosedNothingIsSentAndNothingShown) {
    ScratchCurrentDirectory cwd;
    WriteWholeFile(cwd.File("a.bmp"), PictureBmp(10, 3, ExampleDot));
    UseSlot(0, cwd.File("a.bmp"));
    DisconnectLink();
    const std::size_t mark = RawSize();
    for (const int id : {IDC_BTN_RASTER_PRINT_ALL, IDC_BTN_NV_PRINT_ALL, IDC_BTN_NV_PRINT_SELECT,
                         IDC_BTN_BPS_9600}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(Press(id).empty());
    }
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kTranseFinish});
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "(1) BPS = 9600");
    EXPECT_TRUE(RawSince(mark, 0).empty());
}

} // namespace
