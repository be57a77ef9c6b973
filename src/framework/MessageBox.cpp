#include "framework/MessageBox.h"

#include "framework/WinApp.h"

int AfxMessageBox(const char* text) {
    return ::MessageBoxA(AfxGetOwnerWindow(), text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
}
