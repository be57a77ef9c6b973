// The pause after a configuration command: the printer gets time to take the setting while the
// window stays responsive.
#pragma once

#include <windows.h>

// Returns once more than `delay` ms have passed on the tick counter, dispatching every message
// of the thread meanwhile (other handlers may run nested inside). A wrap of the counter does not
// change the length.
void WaitWithMessagePump(DWORD delay);
