// Pairing, the security store and incoming PIN requests: the handler's registration, the
// waiting requests and the timeline that raises them.
#include <string>

#include "platform/bluetooth/bt_security_store.h"
#include "platform/kernel/sync.h"
#include "sim/radio.h"
#include "sim/security/security_keys.h"

namespace sim {
namespace {

// Outside the radio's lock: the handler's event is the caller's kernel object. If the
// handler has just closed it, setting it fails harmlessly (handles are never reused).
void Signal(HANDLE event) {
    if (event) SetEvent(event);
}

// Why the device turns this PIN down; 0 when it takes it.
DWORD Refusal(const WorldDevice& device, const std::string& pin) {
    if (device.passkey) return ERROR_SUCCESS;  // a yes is all it asks
    switch (device.pairing) {
        case Pairing::Any: return ERROR_SUCCESS;
        case Pairing::Refuse: return ERROR_NOT_AUTHENTICATED;
        case Pairing::Pin: return pin == device.pin ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    }
    return ERROR_ACCESS_DENIED;
}

}  // namespace

DWORD Radio::PairRequest(BT_ADDR address, const bth::Pin& pin) { return Pair(address, pin, false); }
DWORD Radio::AnswerPairRequest(BT_ADDR address, const bth::Pin& pin) { return Pair(address, pin, true); }

DWORD Radio::Pair(BT_ADDR address, const bth::Pin& pin, bool answering) {
    std::shared_ptr<const KernelEvent> abort;
    DWORD latency = 0;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        ++adapter_.pairRequests;
        if (answering && !pins_.Close(address)) return ERROR_NOT_FOUND;
        if (!adapter_.powered) return ERROR_NOT_READY;
        abort = abort_;
        latency = world_.timing.pairMs;
        generation = generation_;
    }
    if (!WaitOut(*abort, latency)) return ERROR_CANCELLED;
    if (!Powered()) return ERROR_NOT_READY;  // switched off during the exchange
    const auto device = ReachableDevice(address);
    if (!device) return ERROR_TIMEOUT;
    const std::string text(pin.begin(), pin.end());
    if (DWORD refusal = Refusal(*device, text)) return refusal;
    // Under the Reset lock, so that the next Reset of this world removes what is written here
    // and a pairing of a world already replaced writes nothing.
    std::lock_guard serial(resetMutex_);
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return ERROR_CANCELLED;
    }
    return StorePairing(address, text, &pairedValues_);
}

DWORD Radio::ReadPinRequestKind(BT_ADDR address, bth::PinRequestKind* kind) {
    std::lock_guard lock(mutex_);
    if (!pins_.IsOpen(address)) return ERROR_NOT_FOUND;
    const WorldDevice* device = FindDevice(world_, address);
    *kind = bth::PinRequestKind{};
    if (device && device->passkey) {
        kind->confirmation = true;
        kind->passkey = device->passkey;
    }
    return ERROR_SUCCESS;
}

DWORD Radio::RefusePinRequest(BT_ADDR address) {
    std::lock_guard lock(mutex_);
    return pins_.Close(address) ? ERROR_SUCCESS : ERROR_NOT_FOUND;
}

DWORD Radio::RevokePin(BT_ADDR address) { return DeleteSecurityValue(bth::PinValueName(address)); }
DWORD Radio::RevokeLinkKey(BT_ADDR address) { return DeleteSecurityValue(bth::LinkKeyValueName(address)); }

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
        if (!adapter_.powered) return;  // a switched-off adapter hears no one
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
    if (event.type == "leave" || event.type == "return") {
        SetInRange(event.device, event.type == "return", generation);
        return;
    }
    HANDLE signal = nullptr;
    {
        std::lock_guard lock(mutex_);
        // Checked under the same lock as the raise, so an old world's request never lands in a new one.
        if (generation != generation_ || event.type != "pair-request" || !adapter_.powered) return;
        pins_.Raise(event.device);
        signal = pins_.EventToSignal();
    }
    Signal(signal);
}

}  // namespace sim
