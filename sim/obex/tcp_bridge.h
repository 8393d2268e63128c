#pragma once
// A service whose remote end is an external OBEX server reached over TCP (for example
// "obexftpd -n" on port 650): the bridge connects when the link opens and relays bytes both
// ways; the link breaks when the TCP side closes or cannot be reached.
#include <functional>
#include <memory>

#include "sim/serial/endpoint.h"

namespace sim {

std::unique_ptr<SerialEndpoint> MakeTcpBridge(const TcpAddress& address, SerialEndpoint::Output output,
                                              std::function<void()> hangup);

}  // namespace sim
