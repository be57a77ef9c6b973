#include "controls.h"

#include <commctrl.h>

namespace {

std::string narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
}

} // namespace

bool send_to(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, kRespondMs, &answer))
        return false;
    result = static_cast<LRESULT>(answer);
    return true;
}

bool read_text(HWND control, std::string& text) {
    // One WM_GETTEXT is answered at one moment, so it gives one whole text, provided the buffer
    // held all of it: a length asked for first may be that of an older, shorter text.
    LRESULT length = 0;
    if (!send_to(control, WM_GETTEXTLENGTH, 0, 0, length) || length < 0)
        return false;
    for (size_t room = static_cast<size_t>(length) + 256;; room *= 2) {
        std::string buffer(room, '\0');
        LRESULT copied = 0;
        if (!send_to(control, WM_GETTEXT, room, reinterpret_cast<LPARAM>(buffer.data()), copied) ||
            copied < 0)
            return false;
        if (static_cast<size_t>(copied) + 1 < room) {
            buffer.resize(static_cast<size_t>(copied));
            text = std::move(buffer);
            return true;
        }
        if (room > kLongestText)
            return false;
    }
}

bool write_text(HWND control, const std::string& text) {
    LRESULT result = 0;
    return send_to(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) &&
           result == TRUE;
}

namespace {

// One entry: CB_GETLBTEXT takes no buffer size, so the buffer leaves room for an entry that grew
// since its length was asked.
bool combo_entry(HWND combo, LRESULT index, std::string& entry) {
    // The wide form: Wine hands the narrow CB_GETLBTEXT of another process wide characters.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, index, 0, SMTO_NORMAL, kRespondMs, &length) ||
        static_cast<LRESULT>(length) < 0 || length > kLongestText)
        return false;
    std::wstring wide(length + 1 + kEntrySlack, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()),
                             SMTO_NORMAL, kRespondMs, &copied) ||
        static_cast<LRESULT>(copied) < 0 || copied != length)
        return false;
    wide.resize(copied);
    entry = narrow(wide);
    return true;
}

bool combo_entries_once(HWND combo, std::vector<std::string>& entries) {
    entries.clear();
    LRESULT count = 0;
    if (!send_to(combo, CB_GETCOUNT, 0, 0, count) || count < 0)
        return false;
    for (LRESULT i = 0; i < count; ++i) {
        std::string entry;
        if (!combo_entry(combo, i, entry))
            return false;
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace

bool combo_entries(HWND combo, std::vector<std::string>& entries) {
    // The list is read one message at a time; a handler may rebuild it between two of them.
    // Two reads in a row that agree are one list.
    std::vector<std::string> again;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (combo_entries_once(combo, entries) && combo_entries_once(combo, again) &&
            entries == again)
            return true;
    }
    return false;
}

bool combo_selection(HWND combo, int& index, std::string& text) {
    // The selection and its entry are asked one after the other: both must be of one moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        LRESULT selected = 0, again = 0;
        if (!send_to(combo, CB_GETCURSEL, 0, 0, selected))
            return false;
        text.clear();
        if (selected >= 0 && !combo_entry(combo, selected, text))
            continue;
        if (!send_to(combo, CB_GETCURSEL, 0, 0, again))
            return false;
        if (again == selected) {
            index = static_cast<int>(selected);
            return true;
        }
    }
    return false;
}

bool combo_select(HWND combo, const std::string& text, std::string& why) {
    std::vector<std::string> entries;
    if (!combo_entries(combo, entries)) {
        why = "the combo box does not answer";
        return false;
    }
    int index = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == text)
            index = static_cast<int>(i);
    if (index < 0) {
        why = "no entry \"" + text + "\" in the list";
        return false;
    }
    LRESULT result = 0;
    if (!send_to(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, result) || result != index) {
        why = "the combo box refused the selection";
        return false;
    }
    LRESULT dropped = 0;
    if (send_to(combo, CB_GETDROPPEDSTATE, 0, 0, dropped) && dropped)
        combo_drop(combo, false);
    // CB_SETCURSEL does not notify; a person's choice does.
    HWND parent = GetParent(combo);
    int id = GetDlgCtrlID(combo);
    if (!PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(combo))) {
        why = "cannot notify the dialog";
        return false;
    }
    return true;
}

bool combo_drop(HWND combo, bool down) {
    LRESULT result = 0;
    return send_to(combo, CB_SHOWDROPDOWN, down ? TRUE : FALSE, 0, result);
}

bool progress_state(HWND bar, int& position, int& low, int& high) {
    LRESULT pos = 0, lo = 0, hi = 0;
    if (!send_to(bar, PBM_GETPOS, 0, 0, pos) || !send_to(bar, PBM_GETRANGE, TRUE, 0, lo) ||
        !send_to(bar, PBM_GETRANGE, FALSE, 0, hi))
        return false;
    position = static_cast<int>(pos);
    low = static_cast<int>(lo);
    high = static_cast<int>(hi);
    return true;
}

HWND focused_control(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool post_click(HWND button) {
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool post_focus(HWND dialog, HWND control) {
    return PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE) != FALSE;
}

bool key_code(const std::string& name, UINT& vk, char& ch) {
    struct Named {
        const char* name;
        UINT vk;
    };
    static const Named keys[] = {
        {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},   {"Space", VK_SPACE},
        {"Up", VK_UP},        {"Down", VK_DOWN},     {"Left", VK_LEFT}, {"Right", VK_RIGHT},
    };
    vk = 0;
    ch = 0;
    for (const Named& key : keys)
        if (name == key.name) {
            vk = key.vk;
            return true;
        }
    if (name.size() == 1 && name[0] > ' ' && name[0] < 0x7f) {
        SHORT scan = VkKeyScanA(name[0]);
        if (scan == -1)
            return false;
        // A posted key-down is translated with no Shift held: a shifted character goes alone.
        if (HIBYTE(scan) == 0)
            vk = LOBYTE(scan);
        else
            ch = name[0];
        return true;
    }
    return false;
}

bool post_key(HWND control, UINT vk, char ch) {
    if (ch)
        return PostMessageA(control, WM_CHAR, static_cast<unsigned char>(ch), 1) != FALSE;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    LPARAM down = 1 | scan;
    LPARAM up = down | static_cast<LPARAM>(0xC0000000u); // previous state down, released
    return PostMessageA(control, WM_KEYDOWN, vk, down) && PostMessageA(control, WM_KEYUP, vk, up);
}

bool post_syscommand(HWND window, UINT command) {
    return PostMessageA(window, WM_SYSCOMMAND, command, 0) != FALSE;
}
