#pragma once
// A manual-reset kernel event owned by the simulator. Setting it ends every wait on it, now
// and later; the handle is closed when the owner goes.
#include "platform/kernel/sync.h"

namespace sim {

class KernelEvent {
public:
    KernelEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~KernelEvent() {
        if (handle_) CloseHandle(handle_);
    }
    KernelEvent(const KernelEvent&) = delete;
    KernelEvent& operator=(const KernelEvent&) = delete;

    void Set() const { SetEvent(handle_); }
    // Waits up to `milliseconds`. True when the event is set (or cannot be waited on, which
    // must end the wait just the same); false when the time ran out.
    bool Wait(DWORD milliseconds) const { return WaitForSingleObject(handle_, milliseconds) != WAIT_TIMEOUT; }

private:
    const HANDLE handle_;
};

}  // namespace sim
