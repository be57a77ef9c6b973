#include "printer_command_fixture.h"

#include "link/printer_link.h"

void PrinterCommandTest::TearDown() {
    g_link.ClosePort();
    MainDialogTest::TearDown();
}

std::vector<std::string> PrinterCommandTest::Press(int id) {
    DialogWatcher watcher(m_dlg.m_hWnd);
    Click(id);
    std::vector<std::string> messages;
    for (const SeenDialog& seen : watcher.Stop()) {
        std::string message;
        for (const std::string& text : seen.texts) {
            if (!text.empty() && text != "OK")
                message = text;
        }
        messages.push_back(message);
    }
    return messages;
}

void PrinterCommandTest::UseSlot(int slot, const std::string& path) {
    m_dlg.m_strSlotPath[slot] = path;
    m_dlg.m_strSlotName[slot] = path;
    m_dlg.m_bSlotUsed[slot] = 1;
}

bool ExampleDot(std::uint32_t x, std::uint32_t y) {
    switch (y) {
    case 0:
        return x % 2 == 0;
    case 1:
        return true;
    default:
        return x == 9;
    }
}
