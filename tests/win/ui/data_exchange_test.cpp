// Data exchange between the state record and the controls, including the Number check, and the
// ways the dialog ends.
#include "dialog_watcher.h"
#include "main_dialog_fixture.h"

namespace {

struct ByteCase {
    const char* text;
    bool accepted;
    BYTE value; // when accepted
};

const ByteCase kByteCases[] = {
    {"0", true, 0},    {"1", true, 1},     {"255", true, 255},        {"12abc", true, 12},
    {"  7", true, 7},  {"\t42", true, 42}, {"007", true, 7},          {"9 9", true, 9},
    {"", false, 0},    {"-1", false, 0},   {"256", false, 0},         {"300", false, 0},
    {"abc", false, 0}, {"   ", false, 0},  {"99999999999", false, 0}, {"- 5", false, 0},
};

} // namespace

TEST(ByteText, AcceptsAWholeNumberFrom0To255AfterBlanks) {
    for (const ByteCase& c : kByteCases) {
        BYTE value = 77;
        EXPECT_EQ(ParseByteText(c.text, value), c.accepted) << '"' << c.text << '"';
        EXPECT_EQ(value, c.accepted ? c.value : 77) << '"' << c.text << '"';
    }
}

TEST_F(MainDialogTest, ExchangeFromControlsTakesAnAcceptedNumberAndEveryText) {
    for (const ByteCase& c : kByteCases) {
        if (!c.accepted)
            continue;
        SCOPED_TRACE(c.text);
        m_dlg.m_nPrintNumber = 1;
        Type(IDC_EDIT_PRINT_NUMBER, c.text);
        Type(IDC_EDIT_SLOT3, "slot three");
        Type(IDC_EDIT_FEED_MM, "12");
        Type(IDC_EDIT_STATUS, "typed");

        DialogWatcher watcher(m_dlg.m_hWnd);
        const BOOL ok = m_dlg.UpdateData(TRUE);
        EXPECT_TRUE(watcher.Stop().empty());
        EXPECT_TRUE(ok);
        EXPECT_EQ(m_dlg.m_nPrintNumber, c.value);
        EXPECT_EQ(m_dlg.m_strSlotEdit[2], "slot three");
        EXPECT_EQ(m_dlg.m_strFeedMm, "12");
        EXPECT_EQ(m_dlg.m_strStatus, "typed");
    }
}

TEST_F(MainDialogTest, RefusedNumberOnExitShowsMessageKeepsWindowAndStopsTheExchange) {
    for (const ByteCase& c : kByteCases) {
        if (c.accepted)
            continue;
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        Type(IDC_EDIT_SLOT1, "before the number");
        Type(IDC_EDIT_PRINT_NUMBER, c.text);
        Type(IDC_EDIT_FEED_MM, "9");
        Type(IDC_EDIT_STATUS, "after the number");

        DialogWatcher watcher(m_dlg.m_hWnd);
        Click(IDOK);
        const std::vector<SeenDialog> seen = watcher.Stop();

        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].title, kAppName);
        EXPECT_TRUE(seen[0].Shows(kByteRangeMessage));
        EXPECT_TRUE(seen[0].Shows("OK"));
        EXPECT_EQ(seen[0].owner, m_dlg.m_hWnd);

        EXPECT_TRUE(::IsWindowVisible(m_dlg.m_hWnd));
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BTN_PORT_OPEN)));
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_BTN_PORT_CLOSE)));
        EXPECT_EQ(::GetFocus(), Item(IDC_EDIT_PRINT_NUMBER));
        DWORD start = 1, end = 0;
        ::SendMessageA(Item(IDC_EDIT_PRINT_NUMBER), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, std::string(c.text).size());

        EXPECT_EQ(m_dlg.m_strSlotEdit[0], "before the number");
        EXPECT_EQ(m_dlg.m_nPrintNumber, 1);
        EXPECT_EQ(m_dlg.m_strFeedMm, "7");
        EXPECT_EQ(m_dlg.m_strStatus, "");
    }
}

TEST_F(MainDialogTest, ExitWithAnAcceptedNumberEndsTheDialogAfterTheExchange) {
    Type(IDC_EDIT_PRINT_NUMBER, "12abc");
    DialogWatcher watcher(m_dlg.m_hWnd);
    Click(IDOK);
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(m_dlg.m_nPrintNumber, 12);
    EXPECT_FALSE(::IsWindowVisible(m_dlg.m_hWnd)); // EndDialog hides the window
}

TEST_F(MainDialogTest, CancelEndsTheDialogWithoutExchange) {
    Type(IDC_EDIT_PRINT_NUMBER, "300");
    Type(IDC_EDIT_FEED_MM, "9");
    DialogWatcher watcher(m_dlg.m_hWnd);
    ::SendMessageA(m_dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_FALSE(::IsWindowVisible(m_dlg.m_hWnd));
    EXPECT_EQ(m_dlg.m_strFeedMm, "7");
}

TEST_F(MainDialogTest, CopyToControlsPutsTheMembersBackOverTypedText) {
    Type(IDC_EDIT_FEED_MM, "9");
    Type(IDC_EDIT_PRINT_NUMBER, "55");
    Type(IDC_EDIT_STATUS, "typed");
    m_dlg.m_strSlotEdit[9] = "logo.bmp";
    EXPECT_TRUE(m_dlg.UpdateData(FALSE));
    EXPECT_EQ(Text(IDC_EDIT_FEED_MM), "7");
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "1");
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "");
    EXPECT_EQ(Text(IDC_EDIT_SLOT10), "logo.bmp");

    m_dlg.m_nPrintNumber = 255;
    m_dlg.UpdateData(FALSE);
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "255");
}

TEST_F(MainDialogTest, ControlBindingAttachesOnlyTheFirstTime) {
    ASSERT_EQ(m_dlg.m_comboPort.m_hWnd, Item(IDC_COMBO_PORT)); // bound by the first exchange
    CComboBox other;
    other.Attach(Item(IDC_COMBO_BPS));
    m_dlg.m_comboPort = other; // a bound member is left alone by later exchanges
    m_dlg.UpdateData(FALSE);
    m_dlg.UpdateData(TRUE);
    EXPECT_EQ(m_dlg.m_comboPort.m_hWnd, Item(IDC_COMBO_BPS));
}
