#include "sim/obex/obex_endpoint.h"

#include "sim/obex/default_tree.h"
#include "sim/obex/obex_server.h"
#include "sim/obex/tcp_bridge.h"

namespace sim {

std::unique_ptr<SerialEndpoint> MakeObexEndpoint(const WorldService& service, std::uint64_t device,
                                                 const Timing& timing, SerialEndpoint::Output output,
                                                 std::function<void()> hangup) {
    if (service.profile != Profile::ObjectPush && service.profile != Profile::FileTransfer) return nullptr;
    if (service.obexTcp) return MakeTcpBridge(*service.obexTcp, std::move(output), std::move(hangup));
    ObexServerConfig config;
    config.fileTransfer = service.profile == Profile::FileTransfer;
    if (config.fileTransfer) {
        config.folder = service.root ? std::filesystem::path(*service.root) : DefaultFileTree(device);
    } else {
        config.folder = service.inbox ? std::filesystem::path(*service.inbox) : DefaultInbox(device);
    }
    config.faults = service.faults;
    config.linkKbps = timing.linkKbps;
    return MakeObexServer(config, std::move(output), std::move(hangup));
}

}  // namespace sim
