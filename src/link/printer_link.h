#pragma once
// The printer link: one COM port or USB printer interface, written by the user-interface thread,
// its receive side drained by one worker thread.
//
// Starting the worker (connection panel):
//     if (g_link.OpenPort(port, baud, flow) == 0) {
//         HANDLE worker = <start ReceiveThread on a new thread, e.g. AfxBeginThread>;
//         if (!worker || g_link.AdoptWorker(worker) != 0) { ClosePort(); fail; }
//     }
// AdoptWorker keeps a duplicate of the thread handle; the caller still owns (and closes) its own.
// ClosePort stops the adopted worker and waits for it before anything it uses is released, so
// the worker of one connection never runs into the next.

#include <windows.h>

#include <atomic>
#include <cstdint>

enum LinkState : int32_t { LINK_CLOSED = 0, LINK_COM = 1, LINK_USB = 2 };

inline constexpr int kRxRingSize = 1000;
inline constexpr int kUsbPathBufferSize = 261;

struct PrinterLink {
    // 0 when the link is now open; 1 when the open failed or the link was already open.
    // port 0 opens the USB printer interface, n >= 1 opens COMn. baud: 9600, 19200, 38400,
    // 57600 or 115200 (others fail). flow: 0 None, 1 Xon/Xoff, 2 DTR/DSR, 3 RTS/CTS,
    // 4 DTR/DSR+RTS/CTS; any other value acts as 0.
    int32_t OpenPort(int32_t port, int32_t baud, int32_t flow);
    // 0 when it closed a connection, 1 when the link was already closed.
    int32_t ClosePort();
    // Count written (the port may take fewer), 0 for a failed write, -1 when the link is closed,
    // the device is lost or the write is still pending after 5000 ms.
    int32_t WritePort(const uint8_t* data, int32_t length);
    // 1 and the device path of a USB printer interface in path (kUsbPathBufferSize bytes), or 0
    // with path untouched.
    int32_t FindUsbPrinter(char* path);
    // Hands the freshly started ReceiveThread to the link, which joins it in ClosePort.
    // 0 when kept; 1 when the link is closed, a worker is already kept, or thread is unusable.
    // A refused worker never outlives the call's use of the link: it leaves by itself (closed
    // link, second worker) or is stopped and waited for here.
    int32_t AdoptWorker(HANDLE thread);

    // The worker's loop; ReceiveThread runs it for g_link.
    uint32_t RunReceiver();

    ~PrinterLink();

    // Owned by the user-interface thread. Set before the worker starts and released or changed
    // only after ClosePort has joined it, so the worker may read them while it runs.
    int32_t m_nLinkState = LINK_CLOSED;
    HANDLE m_hPort = nullptr;
    HANDLE m_hStopWorker = nullptr; // set by ClosePort, waited on by the worker
    HANDLE m_hWorker = nullptr;     // duplicate of the adopted worker's handle
    HANDLE m_hPortClaim = nullptr;  // named claim on the COM port, see OpenCom
    OVERLAPPED m_ovWrite{};         // WritePort only
    int32_t m_bUsbFound = 0;

    // Owned by the worker while it runs (its event by the user-interface thread); reset by
    // OpenPort, readable by the user-interface thread once ClosePort has joined the worker.
    OVERLAPPED m_ovRead{};
    int32_t m_bReadPending = 0;
    uint8_t m_byRxRing[kRxRingSize]{};
    int32_t m_nRxHead = 0;

    // Written by the worker, read by anyone: bytes received since OpenPort; whether a worker
    // runs on this link (a second one leaves at once).
    std::atomic<uint32_t> m_nRxCount{0};
    std::atomic<bool> m_bWorkerRunning{false};

private:
    int32_t OpenCom(int32_t port, int32_t baud, int32_t flow);
    int32_t OpenUsb();
    bool CreateContexts();
    void ReleaseResources();
    void StopWorker();
    // Cancels this thread's I/O on the port and waits until `ov`'s operation has really ended,
    // so that its context may be used again.
    void CancelAndWait(OVERLAPPED& ov);
    void ReceiveComPass(uint8_t* buffer);
    void ReceiveUsbPass(uint8_t* buffer);
    void StartRead(uint8_t* buffer, DWORD size);
    void WaitForRead(uint8_t* buffer);
    void CollectRead(uint8_t* buffer);
    void IdleWait();
    void PutInRing(const uint8_t* bytes, DWORD count);
};

extern PrinterLink g_link;

// Worker thread function (the framework's thread-procedure form); the parameter is ignored.
// Returns 1 when the link is closed.
unsigned int ReceiveThread(void* param);
