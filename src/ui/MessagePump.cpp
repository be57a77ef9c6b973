#include "ui/MessagePump.h"

void WaitWithMessagePump(DWORD delay) {
    const DWORD start = ::GetTickCount();
    // Polls without sleeping: a button pressed during the pause acts at once.
    while (::GetTickCount() - start <= delay) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}
