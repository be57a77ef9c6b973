#include "logo/interrupt_hold.h"

#include <csignal>
#include <pthread.h>

namespace quillet::logo {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t Interrupts() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kInterrupts) {
        sigaddset(&set, signal);
    }
    return set;
}

} // namespace

InterruptHold::InterruptHold() {
    const sigset_t interrupts = Interrupts();
    held_ = pthread_sigmask(SIG_BLOCK, &interrupts, &saved_) == 0;
}

InterruptHold::~InterruptHold() {
    if (held_) {
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
}

bool InterruptHold::Pending() const {
    sigset_t pending;
    if (sigpending(&pending) != 0) {
        return false;
    }
    for (const int signal : kInterrupts) {
        if (sigismember(&pending, signal) == 1) {
            return true;
        }
    }
    return false;
}

} // namespace quillet::logo
