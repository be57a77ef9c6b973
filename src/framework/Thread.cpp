#include "framework/Thread.h"

#include <new>
#include <process.h>

namespace {

struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned WINAPI ThreadEntry(void* arg) {
    const ThreadStart start = *static_cast<ThreadStart*>(arg);
    delete static_cast<ThreadStart*>(arg);
    try {
        return start.proc(start.param);
    } catch (...) {
        return static_cast<unsigned>(-1);
    }
}

} // namespace

HANDLE AfxBeginThread(AFX_THREADPROC proc, LPVOID param) {
    auto* start = new (std::nothrow) ThreadStart{proc, param};
    if (start == nullptr)
        return nullptr;
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (handle == 0) {
        delete start;
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(handle);
}
