// The main dialog directly after start: controls and state record.
#include "main_dialog_fixture.h"

#include <commctrl.h>

#include <vector>

namespace {

std::vector<std::string> Entries(HWND combo) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

const int kSlotEdits[] = {IDC_EDIT_SLOT1, IDC_EDIT_SLOT2, IDC_EDIT_SLOT3, IDC_EDIT_SLOT4,
                          IDC_EDIT_SLOT5, IDC_EDIT_SLOT6, IDC_EDIT_SLOT7, IDC_EDIT_SLOT8,
                          IDC_EDIT_SLOT9, IDC_EDIT_SLOT10};

} // namespace

TEST_F(MainDialogTest, EditsShowTheInitialStateRecord) {
    for (int id : kSlotEdits)
        EXPECT_EQ(Text(id), "") << id;
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "");
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "1");
    EXPECT_EQ(Text(IDC_EDIT_FEED_MM), "7");
}

TEST_F(MainDialogTest, ListsHoldTheirEntriesWithTheInitialSelection) {
    EXPECT_EQ(Entries(Item(IDC_COMBO_BPS)),
              (std::vector<std::string>{"115200", "57600", "38400", "19200", "9600"}));
    EXPECT_EQ(
        Entries(Item(IDC_COMBO_FLOW)),
        (std::vector<std::string>{"None", "Xon/Xoff", "DTR/DSR", "RTS/CTS", "DTR/DSR+RTS/CTS"}));
    EXPECT_EQ(Text(IDC_COMBO_BPS), "115200");
    EXPECT_EQ(Text(IDC_COMBO_FLOW), "None");

    const std::vector<std::string> ports = Entries(Item(IDC_COMBO_PORT));
    ASSERT_FALSE(ports.empty());
    EXPECT_NE(std::find(ports.begin(), ports.end(), "USB"), ports.end());
    EXPECT_EQ(::SendMessageA(Item(IDC_COMBO_PORT), CB_GETCURSEL, 0, 0), LRESULT(ports.size() - 1));
    EXPECT_EQ(Text(IDC_COMBO_PORT), ports.back());
}

TEST_F(MainDialogTest, OnlyPortCloseStartsDisabled) {
    for (HWND child = ::GetWindow(m_dlg.m_hWnd, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        EXPECT_EQ(::IsWindowEnabled(child) != FALSE, id != IDC_BTN_PORT_CLOSE) << id;
        EXPECT_TRUE(::IsWindowVisible(child)) << id;
    }
}

TEST_F(MainDialogTest, ProgressIsEmptyWithOneStepPerSlot) {
    PBRANGE range{};
    ::SendMessageA(Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 20);
    EXPECT_EQ(::SendMessageA(Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
}

TEST_F(MainDialogTest, FocusStartsOnExitWhichIsTheDefaultButton) {
    EXPECT_EQ(::GetFocus(), Item(IDOK));
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
}

TEST_F(MainDialogTest, StateRecordStartsEmptyAndBoundToItsControls) {
    EXPECT_EQ(m_dlg.m_bPortOpen, 0);
    EXPECT_EQ(m_dlg.m_strPickedName, "");
    EXPECT_EQ(m_dlg.m_strPickedPath, "");
    for (int i = 0; i < CQuilletDlg::kSlotCount; ++i) {
        EXPECT_EQ(m_dlg.m_strSlotName[i], "");
        EXPECT_EQ(m_dlg.m_strSlotPath[i], "");
        EXPECT_EQ(m_dlg.m_bSlotUsed[i], 0);
    }
    for (const std::string& edit : m_dlg.m_strSlotEdit)
        EXPECT_EQ(edit, "");
    EXPECT_EQ(m_dlg.m_nPrintNumber, 1);
    EXPECT_EQ(m_dlg.m_strFeedMm, "7");
    EXPECT_EQ(m_dlg.m_strStatus, "");
    EXPECT_EQ(m_dlg.m_nCommandCount, 1);
    EXPECT_EQ(m_dlg.m_nCommandDelayMs, 600);
    EXPECT_FALSE(m_dlg.m_fileNvSave.IsOpen());
    EXPECT_EQ(m_dlg.m_hIcon,
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));

    EXPECT_EQ(m_dlg.m_comboPort.m_hWnd, Item(IDC_COMBO_PORT));
    EXPECT_EQ(m_dlg.m_comboBps.m_hWnd, Item(IDC_COMBO_BPS));
    EXPECT_EQ(m_dlg.m_comboFlow.m_hWnd, Item(IDC_COMBO_FLOW));
    EXPECT_EQ(m_dlg.m_staticPreview.m_hWnd, Item(IDC_PREVIEW));
    EXPECT_EQ(m_dlg.m_progress.m_hWnd, Item(IDC_PROGRESS));
}
