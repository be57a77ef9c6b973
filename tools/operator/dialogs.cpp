#include "dialogs.h"

#include "controls.h"
#include "window_find.h"

#include <dlgs.h>

namespace {

constexpr int kMessageTextId = 0xFFFF;

} // namespace

bool message_box_text(HWND box, std::string& text) {
    HWND label = GetDlgItem(box, kMessageTextId);
    return label && read_text(label, text);
}

bool shows_text(HWND window, const std::string& text) {
    for (HWND child : children_of(window)) {
        std::string shown;
        if (IsWindowVisible(child) && read_text(child, shown) && shown == text)
            return true;
    }
    return false;
}

HWND file_name_field(HWND dialog) {
    // Explorer-style dialogs use a combo box (cmb13) whose edit takes the name; older ones
    // a plain edit (edt1). Either may sit in a child dialog of the real window.
    for (HWND child : children_of(dialog)) {
        int id = GetDlgCtrlID(child);
        std::string kind = class_name_of(child);
        if (id == cmb13 && kind == "ComboBox" && IsWindowVisible(child)) {
            HWND edit = FindWindowExA(child, nullptr, "Edit", nullptr);
            return edit ? edit : child;
        }
        if (id == edt1 && kind == "Edit" && IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

std::string windows_path(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return path;
    std::string converted = "Z:" + path;
    for (char& c : converted)
        if (c == '/')
            c = '\\';
    return converted;
}
