#include "port/worker_call.h"

namespace quillet::port {

asio::thread_pool& WorkerThreads() {
    static asio::thread_pool threads(4);
    return threads;
}

} // namespace quillet::port
