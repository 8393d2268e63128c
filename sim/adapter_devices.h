#pragma once
// The local adapter's devices: the stack driver "BTD0:" and the stack service "BTS1:".
#include <memory>

#include "platform/kernel/device.h"

namespace sim {

class Radio;

std::shared_ptr<platform::StreamDriver> MakeStackDriver(Radio& radio);
std::shared_ptr<platform::StreamDriver> MakeServiceDriver(Radio& radio);

}  // namespace sim
