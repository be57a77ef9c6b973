#include "com_settings.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<int32_t, 5> kOfferedBauds{9600, 19200, 38400, 57600, 115200};
constexpr DWORD kWriteTimeoutConstantMs = 5000;
} // namespace

bool IsOfferedBaud(int32_t baud) {
    return std::find(kOfferedBauds.begin(), kOfferedBauds.end(), baud) != kOfferedBauds.end();
}

DWORD WriteTimeoutMultiplier(int32_t baud) {
    return static_cast<DWORD>(19200 / baud);
}

COMMTIMEOUTS LinkTimeouts(int32_t baud) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = WriteTimeoutMultiplier(baud);
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    return timeouts;
}

void ApplyLineSettings(DCB& dcb, int32_t baud, int32_t flow) {
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 1;

    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 0;

    switch (flow) {
    case 1: // the printer's XOFF stops our output; we never send XON/XOFF ourselves
        dcb.fOutX = 1;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.XonLim = 10;
        dcb.XoffLim = 10;
        break;
    case 2:
        dcb.fOutxDsrFlow = 1;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        break;
    case 3:
        dcb.fOutxCtsFlow = 1;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        break;
    case 4:
        dcb.fOutxCtsFlow = 1;
        dcb.fOutxDsrFlow = 1;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        break;
    default:
        break;
    }
}
