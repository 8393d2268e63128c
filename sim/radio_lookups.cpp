// Name-space lookups: device inquiries and SDP searches, begun, stepped and ended by handle.
#include <chrono>

#include "platform/bluetooth/sdp_codec.h"
#include "sim/device_name.h"
#include "sim/radio.h"
#include "sim/sdp_database.h"

namespace sim {
namespace {

DWORD MillisecondsUntil(Lookup::Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Lookup::Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

DWORD NextDevice(Lookup& lookup, WSAQUERYSETW* results, DWORD* length) {
    if (lookup.next >= lookup.found.size()) return WSA_E_NO_MORE;
    const DWORD error = WriteInquiryResult(lookup.found[lookup.next], results, length);
    if (error == ERROR_SUCCESS) ++lookup.next;
    return error;
}

DWORD NextResponse(Lookup& lookup, WSAQUERYSETW* results, DWORD* length) {
    if (lookup.failure) return lookup.failure;
    if (lookup.delivered) return WSA_E_NO_MORE;
    const DWORD error = WriteServiceSearchResult(lookup.response, results, length);
    if (error == ERROR_SUCCESS) lookup.delivered = true;
    return error;
}

}  // namespace

DWORD Radio::LookupBegin(const WSAQUERYSETW* query, DWORD flags, HANDLE* handle) {
    if (!query || query->dwNameSpace != NS_BTH) return WSAEINVAL;
    std::shared_ptr<Lookup> lookup;
    if (flags & LUP_CONTAINERS) {
        lookup = std::make_shared<Lookup>(std::nullopt);
    } else {
        auto search = ReadServiceSearch(*query);
        if (!search) return WSAEINVAL;
        // The target need not be reachable yet: the stack connects on the first Next.
        lookup = std::make_shared<Lookup>(std::move(search));
    }
    std::lock_guard lock(mutex_);
    if (lookup->IsInquiry()) lookup->readyAt = Lookup::Clock::now() + std::chrono::milliseconds(world_.timing.inquiryMs);
    *handle = lookups_.Add(std::move(lookup));
    return ERROR_SUCCESS;
}

DWORD Radio::LookupNext(HANDLE handle, WSAQUERYSETW* results, DWORD* length) {
    std::shared_ptr<Lookup> lookup;
    DWORD wait = 0;
    {
        std::lock_guard lock(mutex_);
        lookup = lookups_.Find(handle);
        if (!lookup) return WSAEINVAL;
        if (!lookup->readyAt)
            lookup->readyAt = Lookup::Clock::now() + std::chrono::milliseconds(world_.timing.sdpMs);
        wait = MillisecondsUntil(*lookup->readyAt);
    }
    // Held by the shared pointer, the lookup outlives an End or a Reset during the wait.
    if (!WaitOut(lookup->cancel, wait)) return WSA_E_CANCELLED;
    std::lock_guard lock(mutex_);
    if (lookup->ended) return WSA_E_CANCELLED;
    if (!lookup->ready) {
        if (lookup->IsInquiry()) AnswerInquiry(*lookup);
        else AnswerServiceSearch(*lookup);
        lookup->ready = true;
    }
    return lookup->IsInquiry() ? NextDevice(*lookup, results, length) : NextResponse(*lookup, results, length);
}

DWORD Radio::LookupEnd(HANDLE handle) {
    std::lock_guard lock(mutex_);
    return lookups_.End(handle) ? ERROR_SUCCESS : WSAEINVAL;
}

void Radio::AnswerInquiry(Lookup& lookup) const {
    for (const WorldDevice& device : world_.devices) {
        if (device.inRange && device.answersInquiry)
            lookup.found.push_back({device.address, device.classOfDevice, AnnouncedName(device.name)});
    }
}

void Radio::AnswerServiceSearch(Lookup& lookup) const {
    const ServiceSearch& search = *lookup.search;
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

void Radio::SetSdpResponseOverride(BT_ADDR address, std::vector<std::uint8_t> response) {
    std::lock_guard lock(mutex_);
    sdpOverrides_[address] = std::move(response);
}

void Radio::SetSdpRecords(BT_ADDR address, std::vector<sdp::Record> records) {
    std::lock_guard lock(mutex_);
    sdpRecords_[address] = std::move(records);
}

}  // namespace sim
