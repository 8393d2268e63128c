#pragma once
// The name-space lookups in progress: device inquiries and SDP searches, by handle. Not
// thread-safe by itself: the radio guards it with its lock.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "sim/kernel_event.h"
#include "sim/query_results.h"
#include "sim/service_search.h"

namespace sim {

struct Lookup {
    using Clock = std::chrono::steady_clock;

    explicit Lookup(std::optional<ServiceSearch> request) : search(std::move(request)) {}
    bool IsInquiry() const { return !search.has_value(); }

    // Set when the lookup ends: a Next waiting for the radio returns at once.
    KernelEvent cancel;
    bool ended = false;
    // When the radio has its answer: set by Begin for an inquiry (it runs from there), by the
    // first Next for an SDP search (the stack connects only then).
    std::optional<Clock::time_point> readyAt;
    bool ready = false;  // the answer below has been taken from the world

    // Inquiry: the devices that answered, and the next one to hand out.
    std::vector<InquiryResult> found;
    std::size_t next = 0;

    // SDP search: the request, then the device's response (or the failure connecting to it).
    std::optional<ServiceSearch> search;
    DWORD failure = ERROR_SUCCESS;
    std::vector<std::uint8_t> response;
    bool delivered = false;
};

class LookupTable {
public:
    // Handles are never reused, so a stale one is always told apart.
    HANDLE Add(std::shared_ptr<Lookup> lookup);
    std::shared_ptr<Lookup> Find(HANDLE handle) const;
    // Ends the lookup: marks it, sets its cancel event and drops it. False for an unknown handle.
    bool End(HANDLE handle);
    // Ends them all.
    void EndAll();

private:
    static void Finish(Lookup& lookup);

    std::map<std::uintptr_t, std::shared_ptr<Lookup>> lookups_;
    // Counted from a tag of its own so the values look unlike kernel handles in a trace.
    std::uintptr_t next_ = 0x7B000000;
};

}  // namespace sim
