#include "printer_link.h"

#include <algorithm>

namespace {
constexpr DWORD kReadWaitMs = 500;
constexpr DWORD kComReadMax = 4096;
constexpr DWORD kUsbReadSize = 64;
// With nothing to read the worker rests this long (or until stopped) instead of spinning.
constexpr DWORD kIdleWaitMs = 10;
} // namespace

unsigned int ReceiveThread(void*) {
    return g_link.RunReceiver();
}

uint32_t PrinterLink::RunReceiver() {
    if (m_bWorkerRunning.exchange(true))
        return 1;
    uint8_t buffer[kComReadMax];
    if (m_nLinkState != LINK_CLOSED && m_hStopWorker) {
        while (WaitForSingleObject(m_hStopWorker, 0) == WAIT_TIMEOUT) {
            if (m_nLinkState == LINK_COM)
                ReceiveComPass(buffer);
            else
                ReceiveUsbPass(buffer);
        }
        if (m_bReadPending) {
            CancelAndWait(m_ovRead);
            m_bReadPending = 0;
        }
    }
    m_bWorkerRunning = false;
    return 1;
}

void PrinterLink::IdleWait() {
    WaitForSingleObject(m_hStopWorker, kIdleWaitMs);
}

void PrinterLink::PutInRing(const uint8_t* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        m_byRxRing[m_nRxHead] = bytes[i];
        m_nRxHead = (m_nRxHead + 1) % kRxRingSize;
    }
    m_nRxCount.fetch_add(count);
}

void PrinterLink::CollectRead(uint8_t* buffer) {
    DWORD count = 0;
    if (GetOverlappedResult(m_hPort, &m_ovRead, &count, FALSE)) {
        m_bReadPending = 0;
        PutInRing(buffer, count);
    } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
        m_bReadPending = 0;
    }
}

void PrinterLink::WaitForRead(uint8_t* buffer) {
    const HANDLE events[] = {m_ovRead.hEvent, m_hStopWorker};
    if (WaitForMultipleObjects(2, events, FALSE, kReadWaitMs) == WAIT_OBJECT_0)
        CollectRead(buffer);
}

// One overlapped read: bytes that come at once go to the ring, a pending read is waited for.
void PrinterLink::StartRead(uint8_t* buffer, DWORD size) {
    m_bReadPending = 1;
    if (ReadFile(m_hPort, buffer, size, nullptr, &m_ovRead)) {
        CollectRead(buffer);
        return;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        m_bReadPending = 0;
        IdleWait();
        return;
    }
    WaitForRead(buffer);
}

void PrinterLink::ReceiveComPass(uint8_t* buffer) {
    if (m_bReadPending) {
        WaitForRead(buffer);
        return;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(m_hPort, &errors, &status) || status.cbInQue == 0) {
        IdleWait();
        return;
    }
    StartRead(buffer, std::min<DWORD>(status.cbInQue, kComReadMax));
}

void PrinterLink::ReceiveUsbPass(uint8_t* buffer) {
    if (!m_ovRead.hEvent) {
        IdleWait();
        return;
    }
    if (m_bReadPending) {
        WaitForRead(buffer);
        return;
    }
    StartRead(buffer, kUsbReadSize);
}
