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

    // Whether an interrupt came since the hold began.
    bool Pending() const;

private:
    bool held_ = false;
#ifndef _WIN32
    sigset_t saved_{}; // the mask before
#endif
};

} // namespace quillet::logo
