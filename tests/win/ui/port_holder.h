// A second process of this test program that holds a COM port open through the printer link,
// as a second copy of Quillet would.
#pragma once

#include <windows.h>

class PortHolder {
public:
    explicit PortHolder(int com);
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;
    ~PortHolder();

    // True once the other process reports the port open.
    bool WaitHeld();
    // Lets the other process close the port and end; true when it ended within 10 s.
    bool Release();

    // The other process's side: opens COM`com`, says HELD, keeps it until standard input ends.
    static int Run(int com);

private:
    PROCESS_INFORMATION m_process{};
    HANDLE m_toHolder = nullptr;
    HANDLE m_fromHolder = nullptr;
};
