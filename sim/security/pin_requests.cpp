#include "sim/security/pin_requests.h"

namespace sim {

DWORD PinRequests::Register(HANDLE event, bool claimedElsewhere) {
    if (claimedElsewhere || handler_) return ERROR_ALREADY_ASSIGNED;
    handler_ = event;
    return ERROR_SUCCESS;
}

DWORD PinRequests::Pop(BT_ADDR* address) {
    if (waiting_.empty()) return ERROR_NO_MORE_ITEMS;
    *address = waiting_.front();
    waiting_.pop_front();
    return ERROR_SUCCESS;
}

}  // namespace sim
