// Waiting until the program has taken the input the operator posted (clicks, keys, choices).
#pragma once

#include <windows.h>

enum class Settled { Yes, TimedOut, NoCarrier };

// Posts a marker behind everything posted so far to the thread of `window` and waits up to `ms`
// until the thread has taken it: by then it has handled those messages, or is waiting in a modal
// loop that one of them opened. The marker is an edit control's text limit raised past any text
// the program could hold, which nothing sees; a window without an edit has no carrier.
Settled settle(HWND window, DWORD ms);
