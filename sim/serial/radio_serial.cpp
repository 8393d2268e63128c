// Serial links to the remote devices' serial services and to our own serial server.
#include <algorithm>
#include <bitset>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "sim/radio.h"
#include "sim/obex/obex_endpoint.h"
#include "sim/sdp/sdp_database.h"
#include "sim/serial/serial_link.h"

namespace sim {
namespace {

constexpr std::uint8_t kLastChannel = 30;
constexpr std::uint16_t kLastLinkHandle = 0x0EFF;  // ACL handles are 12 bits; 0xF00 up are reserved

std::optional<std::uint8_t> PublishedChannel(const std::vector<std::uint8_t>& stream) {
    sdp::DataElement element;
    std::size_t consumed = 0;
    if (!sdp::Decode(stream, &element, &consumed)) return std::nullopt;
    const auto record = sdp::Record::FromElement(element);
    return record ? sdp::RfcommChannel(*record) : std::nullopt;
}

// The endpoint of the device's first serial service; echo without one.
Endpoint ServerSideEndpoint(const WorldDevice& device) {
    for (const WorldService& service : device.services)
        if (service.profile == Profile::SerialPort || service.profile == Profile::DialupNetworking)
            return EndpointOf(service);
    return Endpoint::Echo;
}

}  // namespace

std::uint16_t Radio::AddBasebandLink(BT_ADDR address) {
    const auto used = [&](std::uint16_t handle) {
        return std::any_of(links_.begin(), links_.end(), [&](const auto& link) { return link.handle == handle; });
    };
    do {
        lastLinkHandle_ = static_cast<std::uint16_t>(lastLinkHandle_ % kLastLinkHandle + 1);
    } while (used(lastLinkHandle_) && links_.size() < kLastLinkHandle);
    bth::BasebandLink link;
    link.handle = lastLinkHandle_;
    link.address = address;
    link.acl = true;
    links_.push_back(link);
    return link.handle;
}

std::function<void()> Radio::BasebandLinkRemover(std::uint16_t handle, BT_ADDR address) {
    return [this, handle, address, generation = generation_] {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;  // Reset cleared the old world's links
        // Leave may have dropped it already: never take another device's link of the same handle.
        auto it = std::find_if(links_.begin(), links_.end(),
                               [&](const auto& link) { return link.handle == handle && link.address == address; });
        if (it != links_.end()) links_.erase(it);
    };
}

void Radio::TrackSerialLink(const std::shared_ptr<LinkCore>& link) {
    std::erase_if(serialLinks_, [](const auto& weak) { return weak.expired(); });
    serialLinks_.push_back(link);
}

std::vector<std::shared_ptr<LinkCore>> Radio::TakeSerialLinks() {
    std::vector<std::shared_ptr<LinkCore>> open;
    for (const auto& weak : serialLinks_)
        if (auto link = weak.lock()) open.push_back(std::move(link));
    serialLinks_.clear();
    servers_.clear();
    return open;
}

DWORD Radio::ConnectSerial(BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel, bth::SerialSink* sink,
                           std::unique_ptr<bth::SerialLink>* link) {
    if (!sink || !link || channel > kLastChannel) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<LinkCore> core;
    Endpoint endpoint = Endpoint::Echo;
    std::optional<WorldService> service;  // the world's service on that channel
    std::function<void()> gone;
    Timing timing;
    {
        std::lock_guard lock(mutex_);
        if (!adapter_.powered) return ERROR_NOT_READY;
        const WorldDevice* remote = FindDevice(world_, device);
        if (!remote || !remote->inRange) return ERROR_TIMEOUT;
        auto custom = sdpRecords_.find(device);
        const std::vector<sdp::Record> records =
            custom != sdpRecords_.end() ? custom->second : BuildSdpDatabase(remote->services);
        // A nil class (a dial-up record names none) asks for whatever serves on that channel.
        const bool anyClass = serviceClass == sdp::Uuid{};
        std::optional<std::uint8_t> found;
        for (std::size_t i = 0; i < records.size() && !found; ++i) {
            const auto offered = sdp::RfcommChannel(records[i]);
            if (!offered || (channel != 0 && *offered != channel) || (anyClass && channel == 0) ||
                (!anyClass && !sdp::HasServiceClass(records[i], serviceClass)))
                continue;
            found = *offered;
            if (custom == sdpRecords_.end()) {
                service = remote->services[i];
                endpoint = EndpointOf(*service);
            }
        }
        if (!found) return ERROR_NOT_FOUND;
        core = std::make_shared<LinkCore>(sink, *found, device);
        TrackSerialLink(core);
        gone = BasebandLinkRemover(AddBasebandLink(device), device);
        timing = world_.timing;
    }
    auto output = [raw = core.get()](const std::uint8_t* data, std::size_t size) { raw->Deliver(data, size); };
    auto remoteEnd = service ? MakeObexEndpoint(*service, device, timing, output, [raw = core.get()] { raw->Hangup(); })
                             : nullptr;
    if (!remoteEnd) remoteEnd = MakeEndpoint(endpoint, output, timing.nmeaMs);
    core->Attach(device, std::move(remoteEnd), gone);  // refused when a Reset or Leave came first
    if (!ReachableDevice(device)) core->Lose(device);  // it left while the endpoint was attached
    *link = std::make_unique<SimSerialLink>(std::move(core));
    return ERROR_SUCCESS;
}

std::optional<std::uint8_t> Radio::FreeServerChannel() const {
    std::bitset<kLastChannel + 1> used;
    for (const auto& [handle, record] : published_.All())
        if (auto channel = PublishedChannel(record); channel && *channel <= kLastChannel) used.set(*channel);
    for (const auto& [channel, server] : servers_)
        if (!server.expired()) used.set(channel);
    for (const auto& [serviceClass, server] : obexServers_)
        if (!server.slot.expired()) used.set(server.channel);
    // Channel 1 last: the one a remote device tries first for its own services.
    std::uint8_t channel = 2;
    while (channel <= kLastChannel && used.test(channel)) ++channel;
    if (channel > kLastChannel) channel = 1;
    if (used.test(channel)) return std::nullopt;
    return channel;
}

DWORD Radio::ListenSerial(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) {
    if (!sink || !link) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<LinkCore> core;
    {
        std::lock_guard lock(mutex_);
        const auto channel = FreeServerChannel();
        if (!channel) return ERROR_NO_MORE_ITEMS;
        core = std::make_shared<LinkCore>(sink, *channel, std::nullopt);
        TrackSerialLink(core);
        servers_[*channel] = core;
    }
    *link = std::make_unique<SimSerialLink>(std::move(core));
    return ERROR_SUCCESS;
}

DWORD Radio::ConnectToServer(BT_ADDR address) { return ConnectRemote(address, std::nullopt); }

DWORD Radio::ConnectRemote(BT_ADDR address, std::optional<std::uint64_t> generation) {
    std::lock_guard connecting(connectMutex_);
    std::shared_ptr<LinkCore> server;
    Endpoint endpoint = Endpoint::Echo;
    std::function<void()> gone;
    std::uint32_t periodMs = 0;
    {
        std::lock_guard lock(mutex_);
        if (generation && *generation != generation_) return ERROR_CANCELLED;
        if (!adapter_.powered) return ERROR_NOT_READY;  // no remote device reaches a switched-off adapter
        const WorldDevice* remote = FindDevice(world_, address);
        if (!remote || !remote->inRange) return ERROR_TIMEOUT;
        for (auto it = servers_.begin(); it != servers_.end() && !server; ++it) server = it->second.lock();
        if (!server) return ERROR_NOT_FOUND;
        endpoint = ServerSideEndpoint(*remote);
        gone = BasebandLinkRemover(AddBasebandLink(address), address);
        periodMs = world_.timing.nmeaMs;
    }
    auto output = [raw = server.get()](const std::uint8_t* data, std::size_t size) { raw->Deliver(data, size); };
    if (!server->Attach(address, MakeEndpoint(endpoint, output, periodMs), gone)) {
        gone();  // the server closed meanwhile
        return ERROR_NOT_FOUND;
    }
    if (!ReachableDevice(address)) server->Lose(address);  // it left while the endpoint was attached
    return ERROR_SUCCESS;
}

bool Radio::IsPortReserved(DWORD index) {
    std::lock_guard lock(mutex_);
    const auto& reserved = world_.adapter.reservedPorts;
    return std::find(reserved.begin(), reserved.end(), index) != reserved.end();
}

}  // namespace sim
