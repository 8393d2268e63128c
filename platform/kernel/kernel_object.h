#pragma once
// Kernel objects behind handles. The handle table owns a shared reference to each object,
// so closing a handle while another thread waits on it or uses it never frees the object
// under that thread's feet.
//
// Every waitable object keeps its signal state under one process-wide lock (WaitLock) and
// wakes waiters through one condition variable. That makes waiting on several objects of
// different kinds at once simple and exact; the engine has few objects, so one lock is cheap.
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/kernel/types.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Both are called with WaitLock held.
    virtual bool IsWaitable() const { return false; }
    virtual bool IsSignaled() const { return false; }
    // Called once when a wait is satisfied by this object (auto-reset events reset,
    // semaphores count down).
    virtual void OnWaitSatisfied() {}
};

std::mutex& WaitLock();
// Wakes every waiter so it re-examines its objects; call after changing a signal state.
void WakeWaiters();
std::condition_variable& WaitCondition();

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
// Removes the handle from the table; the object lives on while others still hold it.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

}  // namespace platform
