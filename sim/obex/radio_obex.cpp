// Our OBEX servers on the simulated radio, and the remote devices that push to them and
// browse them.
#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/obex/server/server_host.h"
#include "sim/obex/device_transport.h"
#include "sim/obex/incoming_obex.h"
#include "sim/obex/remote_obex_client.h"
#include "sim/radio.h"
#include "sim/serial/serial_link.h"

namespace sim {
namespace {

// A device's client waits for each answer longer than our server may wait for the user.
constexpr std::chrono::milliseconds kRemoteClientTimeout =
    std::chrono::duration_cast<std::chrono::milliseconds>(obex::kOfferTimeout) + std::chrono::seconds(10);

std::string ServiceName(const sdp::Uuid& serviceClass) {
    return serviceClass == sdp::uuids::kObexObjectPush ? "Object Push" : "File Transfer";
}

}  // namespace

bool ObexListenerSlot::Offer(BT_ADDR device, const bth::LinkOpener& open) {
    std::lock_guard lock(mutex_);
    if (!listener_) return false;
    listener_->Connected(device, open);
    return true;
}

void ObexListenerSlot::Close() {
    std::lock_guard lock(mutex_);
    listener_ = nullptr;
}

DWORD Radio::ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                        std::unique_ptr<bth::Listening>* listening, std::string* holder) {
    if (!listener || !listening) return ERROR_INVALID_PARAMETER;
    if (serviceClass != sdp::uuids::kObexObjectPush && serviceClass != sdp::uuids::kObexFileTransfer)
        return ERROR_NOT_SUPPORTED;
    std::lock_guard lock(mutex_);
    auto& entry = obexServers_[serviceClass];
    if (!entry.slot.expired()) {
        if (holder)
            *holder = "this program serves " + ServiceName(serviceClass) + " already, on RFCOMM channel " +
                      std::to_string(entry.channel) + "; stop that server first";
        return ERROR_ALREADY_ASSIGNED;
    }
    const auto channel = FreeServerChannel();
    if (!channel) {
        obexServers_.erase(serviceClass);
        return ERROR_NO_MORE_ITEMS;
    }
    auto slot = std::make_shared<ObexListenerSlot>(listener);
    entry = ObexServerEntry{*channel, slot};
    *listening = std::make_unique<SimObexListening>(std::move(slot), *channel);
    return ERROR_SUCCESS;
}

DWORD Radio::ConnectObexClient(BT_ADDR address, const sdp::Uuid& serviceClass,
                               std::unique_ptr<obex::Transport>* transport) {
    std::shared_ptr<ObexListenerSlot> slot;
    std::uint8_t channel = 0;
    std::uint64_t generation = 0;
    std::function<void()> gone;
    {
        std::lock_guard connecting(connectMutex_);
        {
            std::lock_guard lock(mutex_);
            if (!adapter_.powered) return ERROR_NOT_READY;  // no remote device reaches a switched-off adapter
            const WorldDevice* remote = FindDevice(world_, address);
            if (!remote || !remote->inRange) return ERROR_TIMEOUT;
            auto server = obexServers_.find(serviceClass);
            if (server != obexServers_.end()) slot = server->second.slot.lock();
            if (!slot) return ERROR_NOT_FOUND;
            channel = server->second.channel;
            generation = generation_;
            gone = BasebandLinkRemover(AddBasebandLink(address), address);
        }
        auto inbox = std::make_shared<DeviceInbox>();
        std::shared_ptr<LinkCore> core;
        bool attached = false;
        const bth::LinkOpener open = [&](bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) -> DWORD {
            if (!sink || !link || core) return ERROR_INVALID_PARAMETER;
            auto made = std::make_shared<LinkCore>(sink, channel, address);
            {
                std::lock_guard lock(mutex_);
                if (generation != generation_) return ERROR_CANCELLED;
                if (!adapter_.powered) return ERROR_NOT_READY;
                TrackSerialLink(made);
            }
            // Refused when the world went or the adapter was switched off meanwhile.
            if (!made->Attach(address, MakeDeviceEndpoint(inbox), gone)) return ERROR_CANCELLED;
            attached = true;
            core = made;
            *link = std::make_unique<SimSerialLink>(std::move(made));
            return ERROR_SUCCESS;
        };
        const bool offered = slot->Offer(address, open);
        if (!attached) gone();
        if (!offered) return ERROR_NOT_FOUND;  // the server stopped meanwhile
        if (!core) return ERROR_DEVICE_NOT_CONNECTED;  // refused by the server
        if (!ReachableDevice(address)) core->Lose(address);  // it left while the link was made
        *transport = std::make_unique<DeviceTransport>(std::move(core), std::move(inbox));
    }
    return ERROR_SUCCESS;
}

DWORD Radio::PushToServer(BT_ADDR address, const std::wstring& name, const std::vector<std::uint8_t>& body,
                          obex::SessionResult* result) {
    std::unique_ptr<obex::Transport> transport;
    if (DWORD error = ConnectObexClient(address, sdp::uuids::kObexObjectPush, &transport)) return error;
    obex::ClientSession session(std::move(transport), kRemoteClientTimeout);
    *result = PushObject(session, name, body);
    return ERROR_SUCCESS;
}

DWORD Radio::BrowseServer(BT_ADDR address, std::string* listing, obex::SessionResult* result) {
    std::unique_ptr<obex::Transport> transport;
    if (DWORD error = ConnectObexClient(address, sdp::uuids::kObexFileTransfer, &transport)) return error;
    obex::ClientSession session(std::move(transport), kRemoteClientTimeout);
    *result = ListFolder(session, kMaxRemoteListing, listing);
    return ERROR_SUCCESS;
}

}  // namespace sim
