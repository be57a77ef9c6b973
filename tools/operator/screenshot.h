// Saving what the screen shows of a window, as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

bool save_screenshot(HWND window, const std::string& path, std::string& why);
