// What the operator knows while it runs a script: the program's main window and process,
// the window that steps act on now, and the names given to control ids.
#pragma once

#include <windows.h>

#include <map>
#include <string>

struct Session {
    HWND main = nullptr;      // set by the `window` step
    HWND current = nullptr;   // the main window or a dialog opened by `dialog`
    DWORD pid = 0;            // the process that owns the main window
    HANDLE process = nullptr; // held so that the process can be seen to end
    DWORD wait_ms = 10000;    // default time-out of the waiting steps
    DWORD expect_ms = 5000;   // default time-out of the expect- steps
    bool verbose = false;     // -v: steps may print what they saw, with the time
    ULONGLONG start = 0;      // GetTickCount64() when the script started
    // Control ids by name; the dialog buttons every program has are known from the start.
    std::map<std::string, long> names{{"IDOK", IDOK},
                                      {"IDCANCEL", IDCANCEL},
                                      {"IDYES", IDYES},
                                      {"IDNO", IDNO},
                                      {"SC_CLOSE", SC_CLOSE}};

    ~Session() {
        if (process)
            CloseHandle(process);
    }
};
