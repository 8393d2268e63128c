#pragma once
// The remote end of a simulated serial link: what sits behind a device's serial service.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/kernel/unique_fd.h"
#include "sim/world/world.h"

namespace sim {

class SerialEndpoint {
public:
    // Where the endpoint's bytes go: our side of the link.
    using Output = std::function<void(const std::uint8_t* data, std::size_t size)>;
    // A talker's thread is stopped and joined: Output is not called after this returns.
    virtual ~SerialEndpoint() = default;
    // Bytes from our side; what they answer is output before this returns, or later from a
    // thread of the endpoint (a talker, a link of limited rate).
    virtual void Receive(const std::uint8_t* data, std::size_t size) = 0;
    // The socket behind an endpoint that only relays one (see bth::SerialLink::TakeStream):
    // output stops; destroying the endpoint still shuts it down. Invalid for all others.
    virtual platform::UniqueFd TakeStream() { return {}; }
};

// The endpoint of a service: the world's choice, else echo for a serial port and a modem for
// dial-up networking.
Endpoint EndpointOf(const WorldService& service);

// A talker (NMEA) sends a fix every `periodMs` from a thread of its own, the first at once.
std::unique_ptr<SerialEndpoint> MakeEndpoint(Endpoint kind, SerialEndpoint::Output output, std::uint32_t periodMs);

}  // namespace sim
