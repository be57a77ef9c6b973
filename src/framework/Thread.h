// Worker thread start.
#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID);

// Runs proc(param) on a new thread. Returns the thread's handle, or nullptr when it could not
// start. The caller owns the handle: it may wait on it, and must CloseHandle it when done (the
// thread runs on regardless).
HANDLE AfxBeginThread(AFX_THREADPROC proc, LPVOID param);
