#include "bluez/inquiry/profile_records.h"

#include <algorithm>

#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_uuid.h"

namespace bluez {
namespace {

// The channel the records show; bluetoothd finds the device's real one when it connects.
constexpr std::uint8_t kNominalChannel = 1;
constexpr std::uint32_t kFirstHandle = 0x00010000;

struct Profile {
    const char* uuid;
    sdp::Uuid serviceClass;
    const char* name;
    bool obex;
};

const Profile kProfiles[] = {
    {"00001101-0000-1000-8000-00805f9b34fb", sdp::uuids::kSerialPort, "Serial Port", false},
    {"00001103-0000-1000-8000-00805f9b34fb", sdp::uuids::kDialupNetworking, "Dial-up Networking", false},
    {"00001105-0000-1000-8000-00805f9b34fb", sdp::uuids::kObexObjectPush, "OBEX Object Push", true},
    {"00001106-0000-1000-8000-00805f9b34fb", sdp::uuids::kObexFileTransfer, "OBEX File Transfer", true},
};

}  // namespace

std::vector<sdp::Record> ProfileRecords(const std::vector<std::string>& uuids) {
    std::vector<sdp::Record> records;
    std::uint32_t handle = kFirstHandle;
    for (const Profile& profile : kProfiles) {
        if (std::ranges::find(uuids, profile.uuid) == uuids.end()) continue;
        records.push_back(sdp::BuildRfcommServiceRecord(handle++, profile.serviceClass, kNominalChannel, profile.name,
                                                        profile.obex, std::nullopt));
    }
    return records;
}

}  // namespace bluez
