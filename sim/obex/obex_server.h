#pragma once
// The simulated OBEX servers behind a device's Object Push and File Transfer services: the
// platform's server session over the service's folder, with the world's faults. One answer per
// request: from inside the link's Receive, or on a link of limited rate once the answer's bytes
// have had the time they take.
#include <filesystem>
#include <functional>
#include <memory>

#include "sim/serial/endpoint.h"

namespace sim {

struct ObexServerConfig {
    bool fileTransfer = false;     // else Object Push
    std::filesystem::path folder;  // the File Transfer root, or the Object Push inbox
    ObexFaults faults;
    std::uint32_t linkKbps = 0;  // what the server sends, at most (0: unlimited)
};

// Calls `hangup` to break the link (a drop fault, or a peer whose packets lost their framing).
std::unique_ptr<SerialEndpoint> MakeObexServer(const ObexServerConfig& config, SerialEndpoint::Output output,
                                               std::function<void()> hangup);

}  // namespace sim
