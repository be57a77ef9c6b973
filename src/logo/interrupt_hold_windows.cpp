#include "logo/interrupt_hold.h"

#include <windows.h>

#include <atomic>

namespace quillet::logo {
namespace {

std::atomic<bool> interrupted{false};
std::atomic<bool> noting{false};
// Set while nothing is held: a console being closed waits on it (the system allows 5 s).
HANDLE released = CreateEventW(nullptr, TRUE, TRUE, nullptr);

BOOL WINAPI OnConsoleEvent(DWORD event) {
    interrupted = true;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE; // taken up by the hold
    }
    // Closing, log-off, shut-down: the process ends when this returns, so not before the files
    // are in place.
    WaitForSingleObject(released, 4000);
    return FALSE;
}

} // namespace

void InterruptHold::NoteInterrupts() {
    if (!noting.exchange(true)) {
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

InterruptHold::InterruptHold() {
    ResetEvent(released);
    NoteInterrupts();
}

InterruptHold::~InterruptHold() {
    SetEvent(released);
    if (interrupted) {
        // As the console's own handling of Ctrl-C does on Windows.
        ExitProcess(STATUS_CONTROL_C_EXIT);
    }
}

bool InterruptHold::Pending() const {
    return interrupted;
}

} // namespace quillet::logo
