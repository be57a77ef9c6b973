// The real main dialog with helpers for the printer command buttons: press a button and collect
// the message boxes it showed, fill slots the way Add Image leaves them.
#pragma once

#include "dialog_watcher.h"
#include "main_dialog_fixture.h"
#include "printer_peer.h"

#include <string>
#include <vector>

inline constexpr char kPortWrite[] = "Error : Port write !!!";
inline constexpr char kNvSaveError[] = "Error : NvSave !!!";
inline constexpr char kTranseFinish[] = "Transe Finish !!!";
inline constexpr char kBitmapOpen[] = "Error : Bitmap open !!!";
inline constexpr char kBitmapSize[] = "Error : Bitmap size !!!";
inline constexpr char kOnlyOneBit[] = "Only 1-bit bitmaps are supported.";
inline constexpr char kNumberRange[] = " n = 1 ~ 255";

class PrinterCommandTest : public MainDialogTest {
protected:
    void TearDown() override;

    // Clicks the button; returns the text of each message box it showed, in order.
    std::vector<std::string> Press(int id);
    // Slot `slot` holds `path`, as Add Image leaves it.
    void UseSlot(int slot, const std::string& path);
    // Port Open has succeeded as far as the dialog knows (g_link is opened separately).
    void Arm() { m_dlg.m_bPortOpen = 1; }
};

// The fifteen configuration buttons' ids, in the order of their table.
inline constexpr int kSettingButtons[] = {
    IDC_BTN_BPS_9600,     IDC_BTN_BPS_19200,   IDC_BTN_BPS_115200,     IDC_BTN_COLUMNS_42,
    IDC_BTN_COLUMNS_48,   IDC_BTN_BUZZER_USE,  IDC_BTN_BUZZER_NOT_USE, IDC_BTN_NEAR_USE,
    IDC_BTN_NEAR_NOT_USE, IDC_BTN_CUT_COMMAND, IDC_BTN_CUT_FULL,       IDC_BTN_CUT_PARTIAL,
    IDC_BTN_JAM_USE,      IDC_BTN_JAM_NOT_USE, IDC_BTN_FEED_SET};

// The worked 10 x 3 example: rows X.X.X.X.X., XXXXXXXXXX, .........X from the top.
bool ExampleDot(std::uint32_t x, std::uint32_t y);
