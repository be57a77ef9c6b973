// The printer command handlers with the link closed: the port gate, the status line and its
// count, the Number checks and the whole NV download into "NvSave.BIN".
#include "printer_command_fixture.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::string>;

// The worked example's block: 02 00 01 00, band 1, band 2.
const Bytes kExampleBlock = {0x02, 0x00, 0x01, 0x00, 0xC0, 0x40, 0xC0, 0x40, 0xC0, 0x40,
                             0xC0, 0x40, 0xC0, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class OfflineCommands : public PrinterCommandTest {
protected:
    std::pair<int, int> ProgressRange() {
        PBRANGE range{};
        ::SendMessageA(Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        return {range.iLow, range.iHigh};
    }
    int ProgressPos() {
        return static_cast<int>(::SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
    }
    void ExpectConnectedButtons() {
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_BTN_PORT_OPEN)));
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BTN_PORT_CLOSE)));
    }
};

TEST_F(OfflineCommands, WithoutAnOpenPortEveryPrinterButtonDoesNothing) {
    ScratchCurrentDirectory cwd;
    WriteWholeFile(cwd.File("a.bmp"), PictureBmp(10, 3, ExampleDot));
    UseSlot(0, cwd.File("a.bmp"));
    std::vector<int> buttons(std::begin(kSettingButtons), std::end(kSettingButtons));
    buttons.insert(buttons.end(), {IDC_BTN_NV_SAVE, IDC_BTN_RASTER_PRINT_ALL, IDC_BTN_NV_PRINT_ALL,
                                   IDC_BTN_NV_PRINT_SELECT});
    for (const BYTE portOpen : {BYTE{0}, BYTE{2}}) {
        m_dlg.m_bPortOpen = portOpen;
        for (const int id : buttons) {
            SCOPED_TRACE(testing::Message() << "port flag " << int(portOpen) << ", button " << id);
            Type(IDC_EDIT_PRINT_NUMBER, "0"); // Select Print would complain if it read it
            const ULONGLONG start = ::GetTickCount64();
            EXPECT_TRUE(Press(id).empty());
            EXPECT_LT(::GetTickCount64() - start, 500u); // no pause either
            EXPECT_EQ(Text(IDC_EDIT_STATUS), "");
            EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "0");
            EXPECT_EQ(m_dlg.m_nCommandCount, 1);
            EXPECT_EQ(m_dlg.m_nPrintNumber, 1);
            EXPECT_FALSE(FileExists(cwd.File("NvSave.BIN")));
        }
    }
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BTN_PORT_OPEN)));
    EXPECT_EQ(ProgressRange(), std::make_pair(0, 20));
}

TEST_F(OfflineCommands, StatusLinesCountAcrossButtonsAndSkipClosedPort) {
    const char* const kLines[] = {
        "(1) BPS = 9600",     "(2) BPS = 19200",     "(3) BPS = 115200",      "(4) Column = 42",
        "(5) Column = 48",    "(6) Buzzer = Use",    "(7) Buzzer = Not use",  "(8) Near = Use",
        "(9) Near = Not use", "(10) Cut = Command",  "(11) Cut = Full",       "(12) Cut = Partial",
        "(13) Jam = Use",     "(14) Jam = Not uUse", "(15) Feeding :  = 7 mm"};
    m_dlg.m_nCommandDelayMs = 0;
    Arm();
    for (std::size_t i = 0; i < std::size(kSettingButtons); ++i) {
        EXPECT_TRUE(Press(kSettingButtons[i]).empty());
        EXPECT_EQ(Text(IDC_EDIT_STATUS), kLines[i]);
        EXPECT_EQ(m_dlg.m_strStatus, kLines[i]);
    }
    m_dlg.m_bPortOpen = 0;
    EXPECT_TRUE(Press(IDC_BTN_BPS_9600).empty());
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "(15) Feeding :  = 7 mm");
    Arm();
    Press(IDC_BTN_CUT_FULL);
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "(16) Cut = Full");
    EXPECT_EQ(m_dlg.m_nCommandCount, 17);
}

TEST_F(OfflineCommands, FeedAmountIsTheLowByteOfTheSignedEditAndTheEditReturnsToItsMember) {
    struct Case {
        const char* typed;
        const char* line;
    };
    const Case kCases[] = {{"10", "(1) Feeding :  = 10 mm"},  {"300", "(2) Feeding :  = 44 mm"},
                           {"-1", "(3) Feeding :  = 255 mm"}, {"", "(4) Feeding :  = 0 mm"},
                           {"abc", "(5) Feeding :  = 0 mm"},  {" 12", "(6) Feeding :  = 12 mm"}};
    m_dlg.m_nCommandDelayMs = 0;
    Arm();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        Type(IDC_EDIT_FEED_MM, c.typed);
        EXPECT_TRUE(Press(IDC_BTN_FEED_SET).empty());
        EXPECT_EQ(Text(IDC_EDIT_STATUS), c.line);
        EXPECT_EQ(Text(IDC_EDIT_FEED_MM), "7");
    }
}

TEST_F(OfflineCommands, SelectPrintNumberChecks) {
    struct Case {
        const char* typed;
        Messages messages;
        BYTE numberAfter;
    };
    // In order: each case starts from the number the one before left.
    const Case kCases[] = {
        {"0", {kNumberRange}, 0},
        {"256", {kByteRangeMessage, kNumberRange}, 0}, // refused: the previous 0 stays
        {"5", {}, 5},
        {"256", {kByteRangeMessage}, 5},
        {"-1", {kByteRangeMessage}, 5},
        {"255", {}, 255},
        {"12abc", {}, 12},
    };
    Arm();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.typed);
        Type(IDC_EDIT_PRINT_NUMBER, c.typed);
        EXPECT_EQ(Press(IDC_BTN_NV_PRINT_SELECT), c.messages);
        EXPECT_EQ(m_dlg.m_nPrintNumber, c.numberAfter);
    }
}

TEST_F(OfflineCommands, NvDownloadWritesTheWholeStreamToTheFileWhileTheLinkIsClosed) {
    ScratchCurrentDirectory cwd;
    WriteWholeFile(cwd.File("black.bmp"), PictureBmp(10, 3, ExampleDot, true));
    WriteWholeFile(cwd.File("white.bmp"), PictureBmp(10, 3, ExampleDot, false));
    WriteWholeFile(cwd.File("NvSave.BIN"), Bytes(5000, 0xEE)); // replaced, not appended to
    UseSlot(0, cwd.File("black.bmp"));
    UseSlot(1, cwd.File("white.bmp"));
    Type(IDC_EDIT_PRINT_NUMBER, "99"); // the refresh puts the member back
    Arm();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kTranseFinish});
    EXPECT_EQ(ReadWholeFile(cwd.File("NvSave.BIN")),
              Join({{0x1C, 0x71, 0x02}, kExampleBlock, kExampleBlock}));
    EXPECT_EQ(ProgressRange(), std::make_pair(0, 2));
    EXPECT_EQ(ProgressPos(), 2);
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "1");
    ExpectConnectedButtons();
}

TEST_F(OfflineCommands, NvDownloadWithNoUsedSlotStillSendsTheEmptyDefinition) {
    ScratchCurrentDirectory cwd;
    Arm();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kTranseFinish});
    EXPECT_EQ(ReadWholeFile(cwd.File("NvSave.BIN")), (Bytes{0x1C, 0x71, 0x00}));
    EXPECT_EQ(ProgressRange(), std::make_pair(0, 0));
}

TEST_F(OfflineCommands, NvDownloadRefusesEveryImageBeforeWritingAnything) {
    struct Case {
        const char* name;
        Bytes second; // the second slot's file; empty: the file is gone
        const char* message;
    };
    const Case kCases[] = {
        {"deleted after Add Image", {}, kBitmapOpen},
        {"replaced by a 24-bit BMP", TwentyFourBitBmp(8, 8), kOnlyOneBit},
        {"taller than 8000 dots", PictureBmp(8, 8001, [](auto, auto) { return false; }),
         kBitmapSize},
        {"shorter than its header", Bytes(40, 'B'), kBitmapSize},
    };
    const Bytes previous = {'o', 'l', 'd'};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchCurrentDirectory cwd;
        WriteWholeFile(cwd.File("NvSave.BIN"), previous);
        WriteWholeFile(cwd.File("first.bmp"), PictureBmp(10, 3, ExampleDot));
        if (!c.second.empty())
            WriteWholeFile(cwd.File("second.bmp"), c.second);
        UseSlot(0, cwd.File("first.bmp"));
        UseSlot(1, cwd.File("second.bmp"));
        Arm();
        EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{c.message});
        EXPECT_EQ(ReadWholeFile(cwd.File("NvSave.BIN")), previous);
        EXPECT_EQ(ProgressRange(), std::make_pair(0, 20));
        ExpectConnectedButtons();
    }
}

// A slot whose file is "NvSave.BIN" itself passes its check, then is truncated and held open
// without sharing by the download before its turn comes: a file changed between check and read,
// with no hook needed. Its place in the stream is a blank block of the checked size.
TEST_F(OfflineCommands, NvDownloadSendsABlankBlockForAFileThatChangedAfterItsCheck) {
    ScratchCurrentDirectory cwd;
    WriteWholeFile(cwd.File("first.bmp"), PictureBmp(10, 3, ExampleDot));
    WriteWholeFile(cwd.File("NvSave.BIN"), PictureBmp(16, 9, [](auto, auto) { return true; }));
    WriteWholeFile(cwd.File("third.bmp"), PictureBmp(10, 3, ExampleDot, false));
    UseSlot(0, cwd.File("first.bmp"));
    UseSlot(1, cwd.File("NvSave.BIN"));
    UseSlot(2, cwd.File("third.bmp"));
    Arm();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kBitmapOpen});
    Bytes blank = {0x02, 0x00, 0x02, 0x00};
    blank.resize(blank.size() + 2 * 8 * 2, 0x00);
    EXPECT_EQ(ReadWholeFile(cwd.File("NvSave.BIN")),
              Join({{0x1C, 0x71, 0x03}, kExampleBlock, blank, kExampleBlock}));
    EXPECT_EQ(ProgressRange(), std::make_pair(0, 3));
    EXPECT_EQ(ProgressPos(), 3);
    ExpectConnectedButtons();
}

// Root ignores permission bits, so the file is made impossible to create by a folder of its name.
TEST_F(OfflineCommands, NvDownloadWithAFileThatCannotBeCreatedSaysSo) {
    ScratchCurrentDirectory cwd;
    ASSERT_TRUE(::CreateDirectoryA(cwd.File("NvSave.BIN").c_str(), nullptr));
    WriteWholeFile(cwd.File("a.bmp"), PictureBmp(10, 3, ExampleDot));
    UseSlot(0, cwd.File("a.bmp"));
    Arm();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kNvSaveError});
    EXPECT_EQ(ProgressRange(), std::make_pair(0, 20));
    ExpectConnectedButtons();
}

TEST_F(OfflineCommands, NvDownloadOnAFullDiskSaysSoInsteadOfFinish) {
    if (Peer().fullDir.empty())
        GTEST_SKIP() << "no --full-dir given";
    ScratchCurrentDirectory pictures; // goes back to the first current directory at the end
    const std::string picture = pictures.File("a.bmp");
    WriteWholeFile(picture, PictureBmp(64, 64, [](auto x, auto y) { return ((x ^ y) & 1) != 0; }));
    ASSERT_TRUE(::SetCurrentDirectoryA(Peer().fullDir.c_str()));
    UseSlot(0, picture);
    Arm();
    EXPECT_EQ(Press(IDC_BTN_NV_SAVE), Messages{kNvSaveError});
}

} // namespace
