#pragma once
// Serves one request of the stack driver against the simulated radio.
#include "platform/bluetooth/bt_driver.h"

namespace sim {

class Radio;

// Returns a system error code (0 on success); results go into the call block.
DWORD HandleStackRequest(Radio& radio, DWORD code, BthCallBlock& block);

}  // namespace sim
