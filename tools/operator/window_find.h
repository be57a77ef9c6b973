// Finding the program's top-level windows: the main window by caption, and the dialogs
// (message boxes, the About box, the file dialog) that its process opens besides it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::string class_name_of(HWND window);

// Caption of a top-level window (kept by the window manager, no message needed).
std::string caption_of(HWND window);

// A visible top-level window whose caption is exactly `caption`, or nullptr.
HWND find_top_level(const std::string& caption);

// Visible top-level dialog windows (class #32770) of process `pid`, other than `except`.
std::vector<HWND> dialogs_of_process(DWORD pid, HWND except);

// All direct and indirect children of `parent`, in Z order.
std::vector<HWND> children_of(HWND parent);
