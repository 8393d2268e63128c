// Incoming PIN requests: the handler's registration, the waiting requests and the timeline
// that raises them.
#include "platform/kernel/sync.h"
#include "sim/radio.h"

namespace sim {
namespace {

// Outside the radio's lock: the handler's event is the caller's kernel object. If the
// handler has just closed it, setting it fails harmlessly (handles are never reused).
void Signal(HANDLE event) {
    if (event) SetEvent(event);
}

}  // namespace

DWORD Radio::SetSecurityUi(HANDLE event, DWORD storeTimeout, DWORD processTimeout) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!event) {
            if (storeTimeout != 0 || processTimeout != 0) return ERROR_INVALID_PARAMETER;
            pins_.Unregister();
            return ERROR_SUCCESS;
        }
        // The time-outs bound how long the stack keeps a request for the handler; the
        // simulated stack keeps them until fetched or until the world is reset.
        if (DWORD error = pins_.Register(event, world_.adapter.pinRequestsClaimed)) return error;
        signal = pins_.EventToSignal();
    }
    Signal(signal);
    return ERROR_SUCCESS;
}

DWORD Radio::GetPinRequest(BT_ADDR* address) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (DWORD error = pins_.Pop(address)) return error;
        signal = pins_.EventToSignal();  // more wait: a handler that takes one per signal still sees them
    }
    Signal(signal);
    return ERROR_SUCCESS;
}

void Radio::RaisePinRequest(BT_ADDR address) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        pins_.Raise(address);
        signal = pins_.EventToSignal();
    }
    Signal(signal);
}

void Radio::RaiseFromTimeline(std::uint64_t generation, const WorldEvent& event) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        // Checked under the same lock as the raise, so an old world's request never lands in a new one.
        if (generation != generation_ || event.type != "pair-request") return;
        pins_.Raise(event.device);
        signal = pins_.EventToSignal();
    }
    Signal(signal);
}

}  // namespace sim
