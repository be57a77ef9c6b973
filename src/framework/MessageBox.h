// The program's message box: OK button, exclamation icon, the application name as title.
#pragma once

#include <windows.h>

// Owned by AfxGetOwnerWindow().
int AfxMessageBox(const char* text);
