#pragma once
// What the host program decides and hears about our OBEX servers: who may push or browse when
// the device is not paired, each object stored or refused, and where they listen. A host sets
// this before the engine starts the OBEX server service "OBX0:".
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/types.h"
#include "platform/obex/server/server_session.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// Who is at the other end of a connection to our servers.
struct Peer {
    std::optional<BT_ADDR> device;  // none over TCP
    std::string name;               // for people: "00:12:AB:34:CD:56", "127.0.0.1:40312"
    bool paired = false;
};

// What a device that is not paired asks for.
struct Offer {
    Peer peer;
    SessionKind kind = SessionKind::ObjectPush;
    std::wstring name;                   // the object's name as sent; empty when asking to browse
    std::optional<std::uint64_t> length;  // as announced
};

class ServerHost {
public:
    virtual ~ServerHost() = default;
    // On a server thread; may wait for the user, up to kOfferTimeout (an answer that comes
    // later is no). Without a host only paired devices are served.
    virtual bool Allow(const Offer& offer) = 0;
    virtual void Received(const Peer& /*peer*/, const std::filesystem::path& /*path*/, std::uint64_t /*size*/) {}
    virtual void Refused(const Peer& /*peer*/, const std::wstring& /*name*/, const std::string& /*reason*/) {}
};

// How long a host may take to answer an offer.
inline constexpr std::chrono::seconds kOfferTimeout{30};

struct ServerOptions {
    std::shared_ptr<ServerHost> host;
    // Also listen on this loopback address, "127.0.0.1:650" or "[::1]:650", for OBEX peers
    // without Bluetooth.
    std::optional<std::string> tcp;
};

// What the next start of "OBX0:" runs with.
void ConfigureServers(ServerOptions options);

// Where the servers listen now, or why one could not, one line each for people ("Object
// Push on RFCOMM channel 3", "File Transfer: ...").
std::vector<std::string> ServerStatus();

}  // namespace obex

#pragma GCC visibility pop
