#pragma once
// The name-space lookups in progress: device inquiries and SDP searches, by number. Not
// thread-safe by itself: the radio guards it with its lock.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "sim/kernel_event.h"

namespace sim {

struct Lookup {
    using Clock = std::chrono::steady_clock;

    explicit Lookup(std::optional<bth::ServiceSearch> request) : search(std::move(request)) {}
    bool IsInquiry() const { return !search.has_value(); }

    // Set when the lookup ends: a Next waiting for the radio returns at once.
    KernelEvent cancel;
    bool ended = false;
    // When the radio has its answer: set by Begin for an inquiry (it runs from there), by the
    // first Next for an SDP search (the stack connects only then).
    std::optional<Clock::time_point> readyAt;
    bool ready = false;  // the answer below has been taken from the world

    // Inquiry: the devices that answered, and the next one to hand out.
    std::vector<bth::InquiryDevice> found;
    std::size_t next = 0;

    // SDP search: the request, then the device's response (or the failure connecting to it).
    std::optional<bth::ServiceSearch> search;
    DWORD failure = ERROR_SUCCESS;
    std::vector<std::uint8_t> response;
    bool delivered = false;
};

class LookupTable {
public:
    // Numbers are never reused, so a stale one is always told apart.
    bth::LookupId Add(std::shared_ptr<Lookup> lookup);
    std::shared_ptr<Lookup> Find(bth::LookupId id) const;
    // Ends the lookup: marks it, sets its cancel event and drops it. False for an unknown one.
    bool End(bth::LookupId id);
    // Ends them all.
    void EndAll();

private:
    static void Finish(Lookup& lookup);

    std::map<bth::LookupId, std::shared_ptr<Lookup>> lookups_;
    bth::LookupId next_ = 0;
};

}  // namespace sim
