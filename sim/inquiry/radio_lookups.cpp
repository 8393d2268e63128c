// Name-space lookups: device inquiries and SDP searches, begun, stepped and ended by number.
#include <chrono>

#include "platform/text/utf.h"
#include "sim/radio.h"

namespace sim {
namespace {

DWORD MillisecondsUntil(Lookup::Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Lookup::Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

}  // namespace

DWORD Radio::BeginInquiry(bth::LookupId* id) {
    auto lookup = std::make_shared<Lookup>(std::nullopt);
    std::lock_guard lock(mutex_);
    if (!adapter_.powered) return WSAENETDOWN;
    lookup->readyAt = Lookup::Clock::now() + std::chrono::milliseconds(world_.timing.inquiryMs);
    *id = lookups_.Add(std::move(lookup));
    return ERROR_SUCCESS;
}

DWORD Radio::BeginServiceSearch(const bth::ServiceSearch& search, bth::LookupId* id) {
    if (search.pattern.empty() || search.ranges.empty()) return WSAEINVAL;
    // The target need not be reachable yet: the stack connects on the first Next.
    auto lookup = std::make_shared<Lookup>(search);
    std::lock_guard lock(mutex_);
    if (!adapter_.powered) return WSAENETDOWN;
    *id = lookups_.Add(std::move(lookup));
    return ERROR_SUCCESS;
}

// Waits until the lookup's answer is due, then takes it from the world; 0, or the error that
// ends this Next.
DWORD Radio::AwaitAnswer(bth::LookupId id, std::shared_ptr<Lookup>* found) {
    std::shared_ptr<Lookup> lookup;
    DWORD wait = 0;
    {
        std::lock_guard lock(mutex_);
        lookup = lookups_.Find(id);
        if (!lookup) return WSAEINVAL;
        if (!lookup->readyAt) lookup->readyAt = Lookup::Clock::now() + std::chrono::milliseconds(world_.timing.sdpMs);
        wait = MillisecondsUntil(*lookup->readyAt);
    }
    // Held by the shared pointer, the lookup outlives an End or a Reset during the wait.
    if (!WaitOut(lookup->cancel, wait)) return WSA_E_CANCELLED;
    *found = std::move(lookup);
    return ERROR_SUCCESS;
}

DWORD Radio::NextInquiryDevice(bth::LookupId id, bth::InquiryDevice* device) {
    std::shared_ptr<Lookup> lookup;
    if (DWORD error = AwaitAnswer(id, &lookup)) return error;
    std::lock_guard lock(mutex_);
    if (lookup->ended) return WSA_E_CANCELLED;
    if (!lookup->IsInquiry()) return WSAEINVAL;
    if (!adapter_.powered) return WSAENETDOWN;  // switched off while the inquiry ran
    if (!lookup->ready) {
        AnswerInquiry(*lookup);
        lookup->ready = true;
    }
    if (lookup->next >= lookup->found.size()) return WSA_E_NO_MORE;
    *device = lookup->found[lookup->next++];
    return ERROR_SUCCESS;
}

DWORD Radio::NextServiceResponse(bth::LookupId id, std::vector<std::uint8_t>* response) {
    std::shared_ptr<Lookup> lookup;
    if (DWORD error = AwaitAnswer(id, &lookup)) return error;
    std::lock_guard lock(mutex_);
    if (lookup->ended) return WSA_E_CANCELLED;
    if (lookup->IsInquiry()) return WSAEINVAL;
    if (!lookup->ready) {
        AnswerServiceSearch(*lookup);
        lookup->ready = true;
    }
    if (lookup->failure) return lookup->failure;
    if (lookup->delivered) return WSA_E_NO_MORE;
    lookup->delivered = true;
    *response = lookup->response;
    return ERROR_SUCCESS;
}

DWORD Radio::EndLookup(bth::LookupId id) {
    std::lock_guard lock(mutex_);
    return lookups_.End(id) ? ERROR_SUCCESS : WSAEINVAL;
}

void Radio::AnswerInquiry(Lookup& lookup) const {
    for (const WorldDevice& device : world_.devices) {
        if (device.inRange && device.answersInquiry)
            lookup.found.push_back({device.address, device.classOfDevice, platform::WideFromUtf8(device.name)});
    }
}

}  // namespace sim
