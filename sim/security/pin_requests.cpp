#include "sim/security/pin_requests.h"

#include <algorithm>

namespace sim {
namespace {

bool EraseFirst(std::deque<BT_ADDR>& requests, BT_ADDR address) {
    auto it = std::find(requests.begin(), requests.end(), address);
    if (it == requests.end()) return false;
    requests.erase(it);
    return true;
}

}  // namespace

DWORD PinRequests::Register(HANDLE event, bool claimedElsewhere) {
    if (claimedElsewhere || handler_) return ERROR_ALREADY_ASSIGNED;
    handler_ = event;
    return ERROR_SUCCESS;
}

void PinRequests::Raise(BT_ADDR address) {
    if (open_.size() >= kMaxOpen) Close(open_.front());
    waiting_.push_back(address);
    open_.push_back(address);
}

DWORD PinRequests::Pop(BT_ADDR* address) {
    if (waiting_.empty()) return ERROR_NO_MORE_ITEMS;
    *address = waiting_.front();
    waiting_.pop_front();
    return ERROR_SUCCESS;
}

bool PinRequests::Close(BT_ADDR address) {
    // Both lists keep a device's requests in order, so its oldest open one is still waiting
    // exactly when all of its open ones are.
    const bool unfetched =
        std::count(waiting_.begin(), waiting_.end(), address) == std::count(open_.begin(), open_.end(), address);
    if (!EraseFirst(open_, address)) return false;
    if (unfetched) EraseFirst(waiting_, address);  // answered before the handler fetched it
    return true;
}

bool PinRequests::IsOpen(BT_ADDR address) const {
    return std::find(open_.begin(), open_.end(), address) != open_.end();
}

}  // namespace sim
