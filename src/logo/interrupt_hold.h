#pragma once

#ifndef _WIN32
#include <csignal>
#endif

namespace quillet::logo {

// While one lives, an interrupt (SIGINT, SIGTERM, SIGHUP, SIGQUIT; on Windows Ctrl-C, Ctrl-Break
// and closing the console) waits: files being put in place are never left half done. When it
// ends, a held interrupt takes effect as it would have, ending the process.
class InterruptHold {
public:
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // Whether an interrupt came since the hold began (on Windows, since NoteInterrupts).
    bool Pending() const;

#ifdef _WIN32
    // From now on an interrupt is noted, not obeyed at once, and the next hold ends the process
    // as interrupted before it puts anything in place. Wine's own handling of Ctrl-C would end
    // the process with status 0, as if it had succeeded.
    static void NoteInterrupts();
#endif

private:
#ifndef _WIN32
    bool held_ = false;
    sigset_t saved_{}; // the mask before
#endif
};

} // namespace quillet::logo
