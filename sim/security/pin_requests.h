#pragma once
// Incoming PIN requests: remote devices asking to pair, kept until this process's handler
// fetches them. Not thread-safe by itself: the radio guards it with its lock and signals the
// handler's event after letting go of it.
#include <deque>

#include "platform/kernel/types.h"

namespace sim {

class PinRequests {
public:
    // ERROR_ALREADY_ASSIGNED when another program holds the requests or a handler is registered.
    DWORD Register(HANDLE event, bool claimedElsewhere);
    void Unregister() { handler_ = nullptr; }
    void Raise(BT_ADDR address) { waiting_.push_back(address); }
    // The oldest waiting request, or ERROR_NO_MORE_ITEMS.
    DWORD Pop(BT_ADDR* address);
    // The handler's event while a handler is registered and a request waits; else null.
    HANDLE EventToSignal() const { return waiting_.empty() ? nullptr : handler_; }

private:
    HANDLE handler_ = nullptr;
    std::deque<BT_ADDR> waiting_;
};

}  // namespace sim
