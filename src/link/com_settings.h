#pragma once
// The serial line settings of a COM connection.

#include <windows.h>

#include <cstdint>

// True for the rates the connection panel offers.
bool IsOfferedBaud(int32_t baud);

// Milliseconds per byte added to the port's total write time-out: 19200 / baud.
DWORD WriteTimeoutMultiplier(int32_t baud);

// The port's time-outs: reads return at once, writes end after 5000 ms plus the multiplier.
COMMTIMEOUTS LinkTimeouts(int32_t baud);

// 8N1 at baud and the flow choice (0 None, 1 Xon/Xoff, 2 DTR/DSR, 3 RTS/CTS, 4 both; any other
// value acts as 0) applied over what the port reported; fields not named keep their values.
void ApplyLineSettings(DCB& dcb, int32_t baud, int32_t flow);
