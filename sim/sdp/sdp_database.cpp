#include "sim/sdp/sdp_database.h"

#include <bitset>

#include "platform/bluetooth/sdp_profile.h"

namespace sim {
namespace {

constexpr std::uint8_t kLastChannel = 30;

struct ProfileRecord {
    sdp::Uuid serviceClass;
    const char* defaultName;
    bool obex;
    std::uint16_t version;
};

ProfileRecord RecordFor(Profile profile) {
    switch (profile) {
        case Profile::SerialPort: return {sdp::uuids::kSerialPort, "Serial Port", false, 0x0100};
        case Profile::DialupNetworking: return {sdp::uuids::kDialupNetworking, "Dial-up Networking", false, 0x0100};
        case Profile::ObjectPush: return {sdp::uuids::kObexObjectPush, "OBEX Object Push", true, 0x0100};
        case Profile::FileTransfer: return {sdp::uuids::kObexFileTransfer, "OBEX File Transfer", true, 0x0100};
        case Profile::Headset: return {sdp::uuids::kHeadset, "Headset", false, 0x0100};
        case Profile::Handsfree: return {sdp::uuids::kHandsfree, "Hands-Free", false, 0x0105};
    }
    return {sdp::uuids::kSerialPort, "Serial Port", false, 0x0100};
}

// The channel of every service: its own, or the lowest one still free (0 once all 30 are taken).
std::vector<std::uint8_t> AssignChannels(const std::vector<WorldService>& services) {
    std::bitset<kLastChannel + 1> used;
    for (const WorldService& service : services)
        if (service.channel <= kLastChannel) used.set(service.channel);
    std::vector<std::uint8_t> channels;
    std::uint8_t free = 1;
    for (const WorldService& service : services) {
        if (service.channel != 0) {
            channels.push_back(service.channel);
            continue;
        }
        while (free <= kLastChannel && used.test(free)) ++free;
        if (free > kLastChannel) {
            channels.push_back(0);
            continue;
        }
        used.set(free);
        channels.push_back(free);
    }
    return channels;
}

}  // namespace

std::vector<sdp::Record> BuildSdpDatabase(const std::vector<WorldService>& services) {
    const std::vector<std::uint8_t> channels = AssignChannels(services);
    std::vector<sdp::Record> database;
    for (std::size_t i = 0; i < services.size(); ++i) {
        const ProfileRecord profile = RecordFor(services[i].profile);
        const std::string_view name =
            services[i].name.empty() ? std::string_view(profile.defaultName) : std::string_view(services[i].name);
        database.push_back(sdp::BuildRfcommServiceRecord(kFirstRecordHandle + static_cast<std::uint32_t>(i),
                                                         profile.serviceClass, channels[i], name, profile.obex,
                                                         profile.version));
    }
    return database;
}

}  // namespace sim
