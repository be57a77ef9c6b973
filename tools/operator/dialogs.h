// The secondary windows a person meets: message boxes, the About box, the file-open dialog.
#pragma once

#include <windows.h>

#include <string>

// The text of a message box (its static with id 0xFFFF); false when `box` has none.
bool message_box_text(HWND box, std::string& text);

// True when some child of `window` shows exactly `text`.
bool shows_text(HWND window, const std::string& text);

// The file-name field of a file-open dialog (the edit inside the file-name combo box,
// or the plain file-name edit), or nullptr when `dialog` is not a file dialog.
HWND file_name_field(HWND dialog);

// A path as Windows sees it: a Unix path ("/x/y") is reached through drive Z:.
std::string windows_path(const std::string& path);
