// Pairing, the security store and incoming PIN requests: the handler's registration, the
// waiting requests and the timeline that raises them.
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

// Pairing from either side, refusing and forgetting: only an unreachable device is answered
// so far; a reachable one is refused as not supported until the radio keeps link keys.
DWORD Radio::PairRequest(BT_ADDR address, const bth::Pin&) {
    {
        std::lock_guard lock(mutex_);
        ++adapter_.pairRequests;
    }
    return ReachableDevice(address) ? ERROR_NOT_SUPPORTED : ERROR_TIMEOUT;
}

DWORD Radio::AnswerPairRequest(BT_ADDR address, const bth::Pin& pin) { return PairRequest(address, pin); }
DWORD Radio::RefusePinRequest(BT_ADDR) { return ERROR_NOT_SUPPORTED; }
DWORD Radio::RevokePin(BT_ADDR) { return ERROR_NOT_SUPPORTED; }
DWORD Radio::RevokeLinkKey(BT_ADDR) { return ERROR_NOT_SUPPORTED; }

DWORD Radio::RegisterPinRequestEvent(HANDLE event, DWORD, DWORD) {
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        // The time-outs bound how long the stack keeps a request for the handler; the
        // simulated stack keeps them until fetched or until the world is reset.
        if (DWORD error = pins_.Register(event, world_.adapter.pinRequestsClaimed)) return error;
        signal = pins_.EventToSignal();
    }
    Signal(signal);
    return ERROR_SUCCESS;
}

DWORD Radio::UnregisterPinRequestEvent() {
    std::lock_guard lock(mutex_);
    pins_.Unregister();
    return ERROR_SUCCESS;
}

DWORD Radio::NextPinRequest(BT_ADDR* address) {
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
    if (event.type == "serial-connect") {
        ConnectRemote(event.device, generation);
        return;
    }
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
