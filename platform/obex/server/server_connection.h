#pragma once
// One client of our OBEX servers, served on a thread of its own until it says goodbye, goes
// quiet or the link goes. Every wait is bounded: the next packet of an operation in progress
// comes within the operation time-out, the next request within the idle time-out; one that
// does not ends the connection, and a partial object with it.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/obex/obex_transport.h"
#include "platform/obex/server/server_host.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

struct ConnectionLimits {
    std::chrono::milliseconds operation{30000};
    std::chrono::milliseconds idle{300000};
};

class ServerConnection {
public:
    ServerConnection(std::unique_ptr<Transport> transport, Peer peer, ServerFolders folders,
                     std::shared_ptr<ServerHost> host, ConnectionLimits limits);
    // Ends the connection (closing the transport) and joins its thread.
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    bool finished() const { return finished_.load(); }

private:
    void Run(ServerFolders folders, ConnectionLimits limits);

    const std::unique_ptr<Transport> transport_;
    const Peer peer_;
    const std::shared_ptr<ServerHost> host_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace obex

#pragma GCC visibility pop
