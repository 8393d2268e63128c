#pragma once
// The remote end of an Object Push or File Transfer service: a bridge to the external server
// the world names, else the simulated server over the service's folder.
#include <functional>
#include <memory>

#include "sim/serial/endpoint.h"

namespace sim {

// Null for a service of another profile.
std::unique_ptr<SerialEndpoint> MakeObexEndpoint(const WorldService& service, std::uint64_t device,
                                                 const Timing& timing, SerialEndpoint::Output output,
                                                 std::function<void()> hangup);

}  // namespace sim
