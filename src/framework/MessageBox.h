// The program's message box: OK button, exclamation icon, the application name as title.
#pragma once

#include <windows.h>

// Owned by the application's main window, or by the thread's active window when there is none.
int AfxMessageBox(const char* text);
