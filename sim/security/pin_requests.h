#pragma once
// Incoming PIN requests: remote devices asking to pair. A request waits until this process's
// handler fetches it, and stays open until it is answered or refused. Not thread-safe by
// itself: the radio guards it with its lock and signals the handler's event after letting go
// of it.
#include <deque>

#include "platform/kernel/types.h"

namespace sim {

class PinRequests {
public:
    // At most this many requests stay open; a new one then pushes out the oldest.
    static constexpr std::size_t kMaxOpen = 64;

    // ERROR_ALREADY_ASSIGNED when another program holds the requests or a handler is registered.
    DWORD Register(HANDLE event, bool claimedElsewhere);
    void Unregister() { handler_ = nullptr; }
    void Raise(BT_ADDR address);
    // The oldest request not yet fetched, or ERROR_NO_MORE_ITEMS. It stays open.
    DWORD Pop(BT_ADDR* address);
    bool IsOpen(BT_ADDR address) const;
    // Closes the device's oldest open request (fetched or not); false when none is open.
    bool Close(BT_ADDR address);
    // The handler's event while a handler is registered and a request waits; else null.
    HANDLE EventToSignal() const { return waiting_.empty() ? nullptr : handler_; }

private:
    HANDLE handler_ = nullptr;
    std::deque<BT_ADDR> waiting_;  // not fetched yet
    std::deque<BT_ADDR> open_;     // not answered yet, oldest first
};

}  // namespace sim
