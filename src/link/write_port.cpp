#include "printer_link.h"

namespace {
constexpr ULONGLONG kWriteTimeoutMs = 5000;
}

void PrinterLink::CancelAndWait(OVERLAPPED& ov) {
    CancelIo(m_hPort);
    DWORD ignored = 0;
    GetOverlappedResult(m_hPort, &ov, &ignored, TRUE);
}

int32_t PrinterLink::WritePort(const uint8_t* data, int32_t length) {
    if (m_nLinkState == LINK_CLOSED)
        return -1;
    if (length < 0 || (length > 0 && !data))
        return 0;

    DWORD written = 0;
    if (WriteFile(m_hPort, data, static_cast<DWORD>(length), &written, &m_ovWrite)) {
        GetOverlappedResult(m_hPort, &m_ovWrite, &written, FALSE);
        return static_cast<int32_t>(written);
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            if (GetOverlappedResult(m_hPort, &m_ovWrite, &written, FALSE))
                return static_cast<int32_t>(written);
            error = GetLastError();
            if (error != ERROR_IO_INCOMPLETE)
                break;
            if (GetTickCount64() - start > kWriteTimeoutMs) {
                CancelAndWait(m_ovWrite);
                return -1;
            }
            Sleep(0);
        }
    }
    if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) {
        CancelIo(m_hPort);
        return -1;
    }
    return 0;
}
