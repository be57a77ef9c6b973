#include "settle.h"

#include "window_find.h"

namespace {

// Markers count on from a start of their own in each operator run, so a marker left queued
// by an earlier step or run that gave up is never taken for this one.
constexpr LRESULT kMarkerBase = 0x7FFF0000;
LRESULT g_nextMarker = static_cast<LRESULT>(GetTickCount() & 0x7FFF);

HWND marker_carrier(HWND window) {
    for (HWND child : children_of(window))
        if (class_name_of(child) == "Edit")
            return child;
    return nullptr;
}

} // namespace

Settled settle(HWND window, DWORD ms) {
    HWND carrier = marker_carrier(window);
    if (!carrier)
        return Settled::NoCarrier;
    const ULONGLONG deadline = GetTickCount64() + ms;
    // A thread deep in a handler answers nothing: every question shares the one time-out.
    auto limit_of = [&](LRESULT& limit) {
        const ULONGLONG now = GetTickCount64();
        DWORD_PTR answer = 0;
        if (now >= deadline || !SendMessageTimeoutA(carrier, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL,
                                                    static_cast<UINT>(deadline - now), &answer))
            return false;
        limit = static_cast<LRESULT>(answer);
        return true;
    };
    LRESULT current = 0;
    if (!limit_of(current))
        return Settled::TimedOut;
    LRESULT marker = kMarkerBase + (g_nextMarker++ & 0xFFFF);
    if (marker == current)
        marker = kMarkerBase + (g_nextMarker++ & 0xFFFF);
    if (!PostMessageA(carrier, EM_SETLIMITTEXT, static_cast<WPARAM>(marker), 0))
        return Settled::TimedOut;
    for (;;) {
        LRESULT limit = 0;
        if (!limit_of(limit))
            return Settled::TimedOut;
        if (limit == marker)
            return Settled::Yes;
        Sleep(5);
    }
}
