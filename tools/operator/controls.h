// Reading and working the controls of another process's window. Every message goes through
// SendMessageTimeout, so a window that stops responding fails the step instead of hanging it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// How long a window may take to answer one message.
constexpr DWORD kRespondMs = 10000;
// Texts longer than this are not read: no control of a dialog holds one.
constexpr size_t kLongestText = 1u << 20;
// Room beyond a list entry's length, in case the entry grew since the length was asked.
constexpr size_t kEntrySlack = 1024;

bool send_to(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

// One whole text: the one before a change or the one after, never a mix.
bool read_text(HWND control, std::string& text);
bool write_text(HWND control, const std::string& text);

// Combo boxes.
bool combo_entries(HWND combo, std::vector<std::string>& entries);
bool combo_selection(HWND combo, int& index, std::string& text); // index -1: none
bool combo_select(HWND combo, const std::string& text, std::string& why);
bool combo_drop(HWND combo, bool down);

// Progress bars.
bool progress_state(HWND bar, int& position, int& low, int& high);

// The control that has the keyboard focus in the thread that owns `window`, or nullptr.
HWND focused_control(HWND window);

// Posts a person's click on a button: the button's own handling sends BN_CLICKED.
bool post_click(HWND button);

// Moves the focus to `control` the way the dialog does (posted WM_NEXTDLGCTL).
bool post_focus(HWND dialog, HWND control);

// Key names: Enter, Escape, Tab, Space, Up, Down, Left, Right, or one printable character.
// Gives the key (`vk`) for all but characters that need Shift or AltGr, which come as `ch`.
bool key_code(const std::string& name, UINT& vk, char& ch);
// Posts what a person's key press gives `control`: key down and key up (the program's own
// TranslateMessage makes the character, as for a real key), or the character `ch` alone.
bool post_key(HWND control, UINT vk, char ch);

// Posts a command of the window's system menu (SC_CLOSE, an appended item, ...).
bool post_syscommand(HWND window, UINT command);
