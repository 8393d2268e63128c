// The SDP servers of the remote devices: what a service search finds on each.
#include "platform/bluetooth/sdp_codec.h"
#include "sim/radio.h"
#include "sim/sdp/sdp_database.h"

namespace sim {

void Radio::AnswerServiceSearch(Lookup& lookup) const {
    const bth::ServiceSearch& search = *lookup.search;
    if (!adapter_.powered) {
        lookup.failure = WSAENETDOWN;  // switched off while the search waited
        return;
    }
    const WorldDevice* device = FindDevice(world_, search.target);
    if (!device || !device->inRange) {
        lookup.failure = WSAEHOSTDOWN;  // the connection to the device's SDP server fails
        return;
    }
    if (auto it = sdpOverrides_.find(search.target); it != sdpOverrides_.end()) {
        lookup.response = it->second;
        return;
    }
    auto records = sdpRecords_.find(search.target);
    const std::vector<sdp::Record> database =
        records != sdpRecords_.end() ? records->second : BuildSdpDatabase(device->services);
    lookup.response = sdp::Encode(sdp::AnswerServiceSearchAttribute(database, search.pattern, search.ranges));
}

// The local SDP database: records this device publishes, for remote devices to find.
DWORD Radio::PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) {
    std::lock_guard lock(mutex_);
    return published_.Publish(record, handle);
}

DWORD Radio::RemoveRecord(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    return published_.Remove(handle);
}

DWORD Radio::ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) {
    std::lock_guard lock(mutex_);
    return published_.Read(handle, record);
}

std::map<std::uint32_t, std::vector<std::uint8_t>> Radio::PublishedRecords() const {
    std::lock_guard lock(mutex_);
    return published_.All();
}

void Radio::SetSdpResponseOverride(BT_ADDR address, std::vector<std::uint8_t> response) {
    std::lock_guard lock(mutex_);
    sdpOverrides_[address] = std::move(response);
}

void Radio::SetSdpRecords(BT_ADDR address, std::vector<sdp::Record> records) {
    std::lock_guard lock(mutex_);
    sdpRecords_[address] = std::move(records);
}

}  // namespace sim
