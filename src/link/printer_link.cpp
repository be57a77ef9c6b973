#include "printer_link.h"

#include "com_settings.h"

#include <cstdio>

PrinterLink g_link;

namespace {
constexpr DWORD kCommEventMask = 0x1FD;
constexpr DWORD kQueueSize = 1024;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
static_assert(sizeof(DCB) == 28);

bool IsOpenHandle(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void CloseIfOpen(HANDLE& handle) {
    if (IsOpenHandle(handle))
        CloseHandle(handle);
    handle = nullptr;
}

HANDLE OpenDevice(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
}
} // namespace

PrinterLink::~PrinterLink() {
    ClosePort();
}

int32_t PrinterLink::OpenPort(int32_t port, int32_t baud, int32_t flow) {
    if (m_nLinkState != LINK_CLOSED)
        return 1;
    m_nRxHead = 0;
    m_bReadPending = 0;
    m_nRxCount = 0;
    if (port < 0)
        return 1;
    if (port == 0)
        return OpenUsb();
    if (!IsOfferedBaud(baud))
        return 1;
    return OpenCom(port, baud, flow);
}

int32_t PrinterLink::OpenCom(int32_t port, int32_t baud, int32_t flow) {
    if (!CreateContexts())
        return 1;

    // Windows refuses a second open of a COM port; Wine does not, so two instances of this
    // program could interleave their bytes on one printer. A named claim per port keeps that out.
    char claimName[48];
    std::snprintf(claimName, sizeof claimName, "Local\\Quillet.link.COM%d", static_cast<int>(port));
    m_hPortClaim = CreateEventA(nullptr, TRUE, FALSE, claimName);
    if (!m_hPortClaim || GetLastError() == ERROR_ALREADY_EXISTS) {
        ReleaseResources();
        return 1;
    }

    char path[32];
    std::snprintf(path, sizeof path, "\\\\.\\COM%d", static_cast<int>(port));
    m_hPort = OpenDevice(path);
    if (!IsOpenHandle(m_hPort)) {
        ReleaseResources();
        return 1;
    }

    SetCommMask(m_hPort, kCommEventMask);
    SetupComm(m_hPort, kQueueSize, kQueueSize);
    PurgeComm(m_hPort, kPurgeAll);
    COMMTIMEOUTS timeouts = LinkTimeouts(baud);
    SetCommTimeouts(m_hPort, &timeouts);

    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    GetCommState(m_hPort, &dcb);
    ApplyLineSettings(dcb, baud, flow);
    if (!SetCommState(m_hPort, &dcb)) {
        ReleaseResources();
        return 1;
    }
    m_nLinkState = LINK_COM;
    return 0;
}

int32_t PrinterLink::OpenUsb() {
    char path[kUsbPathBufferSize] = {};
    if (!CreateContexts())
        return 1;
    if (!FindUsbPrinter(path)) {
        ReleaseResources();
        return 1;
    }
    m_hPort = OpenDevice(path);
    if (!IsOpenHandle(m_hPort)) {
        ReleaseResources();
        return 1;
    }
    HANDLE readEvent = m_ovRead.hEvent;
    m_ovRead = OVERLAPPED{};
    m_ovRead.hEvent = readEvent;
    m_nLinkState = LINK_USB;
    return 0;
}

bool PrinterLink::CreateContexts() {
    m_ovRead = OVERLAPPED{};
    m_ovWrite = OVERLAPPED{};
    m_ovRead.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_ovWrite.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_hStopWorker = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_ovRead.hEvent && m_ovWrite.hEvent && m_hStopWorker)
        return true;
    ReleaseResources();
    return false;
}

void PrinterLink::ReleaseResources() {
    CloseIfOpen(m_ovRead.hEvent);
    CloseIfOpen(m_ovWrite.hEvent);
    if (IsOpenHandle(m_hPort))
        CloseHandle(m_hPort);
    m_hPort = INVALID_HANDLE_VALUE;
    CloseIfOpen(m_hStopWorker);
    CloseIfOpen(m_hPortClaim);
}

int32_t PrinterLink::AdoptWorker(HANDLE thread) {
    if (m_nLinkState == LINK_CLOSED || m_hWorker || !IsOpenHandle(thread))
        return 1;
    HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, thread, self, &m_hWorker, SYNCHRONIZE, FALSE, 0)) {
        m_hWorker = nullptr;
        // A worker the link cannot join later is stopped now, before the caller closes the
        // link and releases what it reads.
        SetEvent(m_hStopWorker);
        WaitForSingleObject(thread, INFINITE);
        return 1;
    }
    return 0;
}

void PrinterLink::StopWorker() {
    SetEvent(m_hStopWorker);
    if (!m_hWorker)
        return;
    WaitForSingleObject(m_hWorker, INFINITE);
    CloseHandle(m_hWorker);
    m_hWorker = nullptr;
}

int32_t PrinterLink::ClosePort() {
    if (m_nLinkState == LINK_CLOSED)
        return 1;
    // The worker leaves first: nothing it uses may go while it runs.
    StopWorker();
    ReleaseResources();
    m_nLinkState = LINK_CLOSED;
    return 0;
}
