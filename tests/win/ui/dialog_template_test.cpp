// Templates 102 and 100 as created: every child window in template order with its identifier,
// class, caption, style and place; the windows themselves; the system menu and the About box.
#include "dialog_watcher.h"
#include "main_dialog_fixture.h"

#include <commctrl.h>

#include <span>
#include <vector>

namespace {

constexpr int kNoId = IDC_STATIC; // labels and group boxes

enum class Kind {
    DefButton,
    Button,
    MultiLineButton,
    Frame,
    Combo,
    SortedCombo,
    Edit,
    ReadOnlyEdit,
    Progress,
    Label,
    NoPrefixLabel,
    Icon,
    Group
};

struct ControlRow {
    int id;
    Kind kind;
    const char* caption;
    int x, y, cx, cy; // dialog units; a combo box's height includes its list
};

// clang-format off
const ControlRow kTemplate102[] = {
    {IDOK,                     Kind::DefButton,       "Exit",                    144,  17,  30,  34},
    {IDC_PREVIEW,              Kind::Frame,           "",                        247,   7, 173, 256},
    {IDC_COMBO_PORT,           Kind::SortedCombo,     nullptr,                    27,  14,  67, 121},
    {IDC_COMBO_BPS,            Kind::Combo,           nullptr,                    27,  29,  67,  77},
    {IDC_COMBO_FLOW,           Kind::Combo,           nullptr,                    27,  45,  67,  69},
    {IDC_BTN_PORT_OPEN,        Kind::Button,          "Port Open",                99,  15,  43,  21},
    {IDC_BTN_PORT_CLOSE,       Kind::Button,          "Port Close",               98,  37,  43,  21},
    {IDC_EDIT_SLOT1,           Kind::ReadOnlyEdit,    "",                         27,  69, 158,  14},
    {IDC_EDIT_SLOT2,           Kind::ReadOnlyEdit,    "",                         27,  86, 158,  14},
    {IDC_EDIT_SLOT3,           Kind::ReadOnlyEdit,    "",                         27, 103, 158,  14},
    {IDC_EDIT_SLOT4,           Kind::ReadOnlyEdit,    "",                         27, 120, 158,  14},
    {IDC_EDIT_SLOT5,           Kind::ReadOnlyEdit,    "",                         27, 138, 158,  14},
    {IDC_EDIT_SLOT6,           Kind::ReadOnlyEdit,    "",                         27, 155, 158,  14},
    {IDC_EDIT_SLOT7,           Kind::ReadOnlyEdit,    "",                         27, 172, 158,  14},
    {IDC_EDIT_SLOT8,           Kind::ReadOnlyEdit,    "",                         27, 190, 158,  14},
    {IDC_EDIT_SLOT9,           Kind::ReadOnlyEdit,    "",                         27, 207, 158,  14},
    {IDC_EDIT_SLOT10,          Kind::ReadOnlyEdit,    "",                         27, 224, 158,  14},
    {IDC_BTN_VIEW1,            Kind::Button,          "View",                    191,  69,  42,  14},
    {IDC_BTN_ADD_IMAGE,        Kind::Button,          "Add Image",               185,  14,  53,  21},
    {IDC_BTN_DELETE_ALL,       Kind::Button,          "Delete All",              185,  36,  53,  21},
    {IDC_BTN_NV_SAVE,          Kind::Button,          "Quilets Save",            145, 251,  68,  21},
    {IDC_BTN_NV_PRINT_ALL,     Kind::Button,          "Quillet All Print",       254, 271,  56,  21},
    {IDC_BTN_NV_PRINT_SELECT,  Kind::Button,          "Select Print",            373, 270,  45,  21},
    {IDC_EDIT_PRINT_NUMBER,    Kind::Edit,            "1",                       345, 276,  24,  14},
    {IDC_BTN_VIEW2,            Kind::Button,          "View",                    191,  86,  42,  14},
    {IDC_BTN_VIEW3,            Kind::Button,          "View",                    191, 103,  42,  14},
    {IDC_BTN_VIEW4,            Kind::Button,          "View",                    191, 120,  42,  14},
    {IDC_BTN_VIEW5,            Kind::Button,          "View",                    191, 138,  42,  14},
    {IDC_BTN_VIEW6,            Kind::Button,          "View",                    191, 156,  42,  14},
    {IDC_BTN_VIEW7,            Kind::Button,          "View",                    191, 172,  42,  14},
    {IDC_BTN_VIEW8,            Kind::Button,          "View",                    191, 191,  42,  14},
    {IDC_BTN_VIEW9,            Kind::Button,          "View",                    191, 207,  42,  14},
    {IDC_BTN_VIEW10,           Kind::Button,          "View",                    191, 224,  42,  14},
    {IDC_BTN_RASTER_PRINT_ALL, Kind::Button,          "All Print(GS v Command)",  20, 251,  82,  21},
    {IDC_PROGRESS,             Kind::Progress,        "",                         22, 275, 190,  14},
    {IDC_EDIT_FEED_MM,         Kind::Edit,            "7",                       475, 235,  31,  16},
    {IDC_EDIT_STATUS,          Kind::Edit,            "",                        447, 268, 129,  22},
    {IDC_BTN_BPS_9600,         Kind::Button,          "9600",                    482,  36,  39,  22},
    {IDC_BTN_BPS_19200,        Kind::Button,          "19200",                   526,  36,  39,  22},
    {IDC_BTN_BPS_115200,       Kind::Button,          "115200",                  568,  36,  39,  22},
    {IDC_BTN_COLUMNS_42,       Kind::Button,          "42",                      482,  65,  60,  22},
    {IDC_BTN_COLUMNS_48,       Kind::Button,          "48",                      546,  65,  60,  22},
    {IDC_BTN_BUZZER_USE,       Kind::Button,          "Use",                     482,  96,  60,  22},
    {IDC_BTN_BUZZER_NOT_USE,   Kind::Button,          "Not use",                 547,  96,  60,  22},
    {IDC_BTN_NEAR_USE,         Kind::MultiLineButton, "Use\r\n(Open)",           482, 127,  60,  22},
    {IDC_BTN_NEAR_NOT_USE,     Kind::MultiLineButton, "Not use\r\n(Close)",      546, 127,  60,  22},
    {IDC_BTN_CUT_COMMAND,      Kind::Button,          "Command",                 482, 156,  39,  22},
    {IDC_BTN_CUT_FULL,         Kind::Button,          "Full",                    524, 156,  39,  22},
    {IDC_BTN_CUT_PARTIAL,      Kind::Button,          "Partial",                 567, 156,  39,  22},
    {IDC_BTN_JAM_USE,          Kind::MultiLineButton, "Use\r\n(Open)",           482, 188,  60,  22},
    {IDC_BTN_JAM_NOT_USE,      Kind::MultiLineButton, "Not use\r\n(Close)",      546, 188,  60,  22},
    {IDC_BTN_FEED_SET,         Kind::Button,          "Set",                     526, 232,  39,  22},
    {kNoId, Kind::Group, "",                              7,   7, 170,  53},
    {kNoId, Kind::Label, "Port :",                        8,  14,  19,   8},
    {kNoId, Kind::Label, "BPS:",                          8,  30,  16,   8},
    {kNoId, Kind::Label, "Flow :",                        8,  45,  18,   8},
    {kNoId, Kind::Group, "",                            178,   7,  66,  53},
    {kNoId, Kind::Group, "",                              7,  60, 232, 183},
    {kNoId, Kind::Label, "1 :",                          14,  72,   8,   8},
    {kNoId, Kind::Label, "2 :",                          14,  88,   8,   8},
    {kNoId, Kind::Label, "3 :",                          14, 106,   8,   8},
    {kNoId, Kind::Label, "4 :",                          14, 122,   8,   8},
    {kNoId, Kind::Label, "5 :",                          14, 139,   8,   8},
    {kNoId, Kind::Label, "6 :",                          14, 157,   8,   8},
    {kNoId, Kind::Label, "7 :",                          14, 174,   8,   8},
    {kNoId, Kind::Label, "8 :",                          14, 190,   8,   8},
    {kNoId, Kind::Label, "9 :",                          14, 211,   8,   8},
    {kNoId, Kind::Label, "10 :",                         14, 228,  11,   8},
    {kNoId, Kind::Group, "",                              7, 243, 232,  55},
    {kNoId, Kind::Group, "",                            247, 264, 176,  34},
    {kNoId, Kind::Label, "Number",                      318, 278,  25,   8},
    {kNoId, Kind::Group, "Dovrik-7 Setting",            436,  17, 171, 281},
    {kNoId, Kind::Label, "BPS :",                       442,  42,  20,   8},
    {kNoId, Kind::Label, "Colums :",                    439,  74,  32,   8},
    {kNoId, Kind::Label, "Buzzer :",                    438, 103,  30,   8},
    {kNoId, Kind::Label, "Near Sensor :",               440, 133,  41,   8},
    {kNoId, Kind::Label, "Cut Mode :",                  437, 162,  40,   8},
    {kNoId, Kind::Label, "Paper Jam :",                 438, 195,  40,   8},
    {kNoId, Kind::Label, "Feed amount after cutting : ", 444, 221, 100,  8},
    {kNoId, Kind::Label, "mm",                          510, 237,  12,   8},
};

// The About box. Its second line is the program's own.
const ControlRow kTemplate100[] = {
    {kNoId, Kind::Icon,          nullptr,                          14, 14,  20, 20},
    {kNoId, Kind::NoPrefixLabel, "Quillet, Version 1.0",           42, 14, 114,  8},
    {kNoId, Kind::Label,         "ESC/POS logo and setup utility", 42, 26, 114,  8},
    {IDOK,  Kind::DefButton,     "OK",                            113, 41,  50, 14},
};
// clang-format on

struct StyleRule {
    const char* className;
    DWORD typeMask, type; // the control's kind bits
    DWORD required;       // further bits that must be set
    DWORD forbidden;      // bits that must be clear
};

StyleRule RuleFor(Kind kind) {
    constexpr DWORD kButtonType = BS_TYPEMASK;
    constexpr DWORD kEditBits = ES_AUTOHSCROLL | WS_TABSTOP;
    switch (kind) {
    case Kind::DefButton:
        return {"Button", kButtonType, BS_DEFPUSHBUTTON, WS_TABSTOP, BS_MULTILINE};
    case Kind::Button:
        return {"Button", kButtonType, BS_PUSHBUTTON, WS_TABSTOP, BS_MULTILINE};
    case Kind::MultiLineButton:
        return {"Button", kButtonType, BS_PUSHBUTTON, WS_TABSTOP | BS_MULTILINE, 0};
    case Kind::Frame:
        return {"Static", SS_TYPEMASK, SS_BLACKFRAME, 0, WS_TABSTOP};
    case Kind::Combo:
        return {"ComboBox", 3, CBS_DROPDOWN, WS_TABSTOP, CBS_SORT};
    case Kind::SortedCombo:
        return {"ComboBox", 3, CBS_DROPDOWN, WS_TABSTOP | CBS_SORT, 0};
    case Kind::Edit:
        return {"Edit", 0, 0, kEditBits, ES_READONLY | ES_MULTILINE};
    case Kind::ReadOnlyEdit:
        return {"Edit", 0, 0, kEditBits | ES_READONLY, ES_MULTILINE};
    case Kind::Progress:
        return {"msctls_progress32", 0, 0, 0, WS_TABSTOP};
    case Kind::Label:
        return {"Static", SS_TYPEMASK, SS_LEFT, 0, WS_TABSTOP};
    case Kind::NoPrefixLabel:
        return {"Static", SS_TYPEMASK, SS_LEFT, SS_NOPREFIX, WS_TABSTOP};
    case Kind::Icon:
        return {"Static", SS_TYPEMASK, SS_ICON, 0, WS_TABSTOP};
    case Kind::Group:
        return {"Button", kButtonType, BS_GROUPBOX, 0, WS_TABSTOP};
    }
    return {};
}

bool IsEditKind(Kind kind) {
    return kind == Kind::Edit || kind == Kind::ReadOnlyEdit;
}
// A themed progress bar draws its own frame and drops the template's WS_BORDER, so only the
// edits' borders are visible in the live styles.
bool HasBorder(Kind kind) {
    return IsEditKind(kind);
}
bool IsComboKind(Kind kind) {
    return kind == Kind::Combo || kind == Kind::SortedCombo;
}

std::string ClassOf(HWND hWnd) {
    char name[64] = {};
    ::GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hWnd) {
    char text[256] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

RECT ClientRectOf(HWND child, HWND dialog) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The client area is the template's size, in the dialog's own units.
void ExpectSizeInDialogUnits(HWND dialog, int cx, int cy) {
    RECT expected{0, 0, cx, cy};
    ASSERT_TRUE(::MapDialogRect(dialog, &expected));
    RECT client;
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
}

// The dialog's font: its face (unless nullptr), its height for `points` on this screen and its
// weight.
void ExpectFont(HWND dialog, const char* face, int points, LONG weight) {
    LOGFONTA font{};
    const HFONT hFont = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(hFont, nullptr);
    ASSERT_GT(::GetObjectA(hFont, sizeof font, &font), 0);
    if (face != nullptr) {
        EXPECT_STREQ(font.lfFaceName, face);
    }
    const HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(font.lfWeight, weight);
}

// Every child of `dialog`, in template order, against the rows of its table.
void ExpectControls(HWND dialog, std::span<const ControlRow> table) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), table.size());

    for (size_t i = 0; i < children.size(); ++i) {
        const ControlRow& row = table[i];
        const HWND child = children[i];
        SCOPED_TRACE(testing::Message() << "template position " << i << ", id " << row.id << ", \""
                                        << (row.caption ? row.caption : "") << "\"");
        EXPECT_EQ(::GetDlgCtrlID(child), row.id);

        const StyleRule rule = RuleFor(row.kind);
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), rule.className);
        if (row.caption != nullptr) {
            EXPECT_EQ(TextOf(child), row.caption);
        }

        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE));
        const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_EXSTYLE));
        EXPECT_EQ(style & rule.typeMask, rule.type);
        EXPECT_EQ(style & rule.required, rule.required);
        EXPECT_EQ(style & rule.forbidden, 0u);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_TRUE(style & WS_CHILD);
        // The dialog manager may turn an edit's border into a 3-D edge.
        if (HasBorder(row.kind)) {
            EXPECT_TRUE((style & WS_BORDER) || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)));
        }

        // The dialog manager maps position and size each on their own, as MapDialogRect maps
        // a rectangle's four fields.
        RECT expected{row.x, row.y, row.cx, row.cy};
        ASSERT_TRUE(::MapDialogRect(dialog, &expected));
        const RECT actual = ClientRectOf(child, dialog);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (row.kind == Kind::Icon) {
            // An icon control takes the size of the icon it shows, the system's large icon.
            EXPECT_EQ(actual.right - actual.left, ::GetSystemMetrics(SM_CXICON));
            EXPECT_EQ(actual.bottom - actual.top, ::GetSystemMetrics(SM_CYICON));
            continue;
        }
        EXPECT_EQ(actual.right - actual.left, expected.right);
        if (!IsComboKind(row.kind)) {
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
            continue;
        }
        // A combo box's template height is that of its dropped-down state. (Its vertical scroll
        // bar goes to the list, which shows it only when needed, so no style bit tells of it.)
        RECT dropped;
        ::SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        const LONG droppedHeight = dropped.bottom - dropped.top;
        const LONG fieldHeight = actual.bottom - actual.top;
        // Windows counts the selection field in the dropped rectangle, Wine may leave it out.
        EXPECT_LE(droppedHeight, expected.bottom);
        EXPECT_GE(droppedHeight, expected.bottom - fieldHeight);
    }
}

} // namespace

TEST_F(MainDialogTest, EveryControlOfTheTemplateInOrderWithIdClassCaptionStyleAndPlace) {
    ExpectControls(m_dlg.m_hWnd, kTemplate102);
}

TEST_F(MainDialogTest, WindowHasCaptionSizeFontAndFrameOfTheTemplate) {
    const HWND dialog = m_dlg.m_hWnd;
    EXPECT_EQ(TextOf(dialog), "Quillet (Ver 1.1)");
    ExpectSizeInDialogUnits(dialog, 614, 305);

    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(::GetMenu(dialog), nullptr);

    ExpectFont(dialog, "Microsoft Sans Serif", 10, FW_NORMAL);

    // Centred on the screen's work area.
    RECT window, work;
    ::GetWindowRect(dialog, &window);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Template 100 itself, created modeless from the resource (the About box runs it modally).
TEST(AboutBoxTemplate, EveryControlWithIdClassCaptionStyleAndPlaceAndTheWindowItself) {
    const HWND about = ::CreateDialogParamA(
        ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, PlainDialogProc, 0);
    ASSERT_NE(about, nullptr);
    ExpectControls(about, kTemplate100);

    EXPECT_EQ(TextOf(about), "About Quillet");
    ExpectSizeInDialogUnits(about, 170, 62);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(about, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
              DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU});
    EXPECT_TRUE(::GetWindowLongPtrA(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    const HWND icon = ::GetWindow(about, GW_CHILD);
    EXPECT_NE(::SendMessageA(icon, STM_GETICON, 0, 0), 0) << "the icon control shows icon 128";
    // "MS Shell Dlg" names no face of its own (the platform maps it); the template gives weight 0.
    ExpectFont(about, nullptr, 8, FW_DONTCARE);
    ::DestroyWindow(about);
}

TEST_F(MainDialogTest, SystemMenuEndsWithSeparatorAndAboutItem) {
    const HMENU menu = ::GetSystemMenu(m_dlg.m_hWnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_TRUE(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
    char text[64] = {};
    ::GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Quillet...");
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), UINT{IDM_ABOUTBOX});
}

TEST_F(MainDialogTest, AboutItemShowsTheAboutBoxOwnedByTheDialog) {
    DialogWatcher watcher(m_dlg.m_hWnd);
    ::SendMessageA(m_dlg.m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const std::vector<SeenDialog> seen = watcher.Stop();

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "About Quillet");
    EXPECT_TRUE(seen[0].Shows("Quillet, Version 1.0"));
    EXPECT_TRUE(seen[0].Shows("OK"));
    EXPECT_EQ(seen[0].owner, m_dlg.m_hWnd);
    EXPECT_FALSE(seen[0].ownerWasEnabled);
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(m_dlg.m_hWnd));
}

TEST_F(MainDialogTest, OtherSystemCommandsGetDefaultProcessing) {
    ::SendMessageA(m_dlg.m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(::IsIconic(m_dlg.m_hWnd));
    ::SendMessageA(m_dlg.m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(::IsIconic(m_dlg.m_hWnd));
}

TEST_F(MainDialogTest, WindowIconsAndDragIconAreTheApplicationIcon) {
    ASSERT_NE(m_dlg.m_hIcon, nullptr);
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, WM_GETICON, ICON_BIG, 0),
              reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, WM_GETICON, ICON_SMALL, 0),
              reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, WM_QUERYDRAGICON, 0, 0),
              reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
}
