#pragma once
// The name-space lookups the backend has begun: inquiries (a discovery on the adapter) and
// service searches (the records made from a device's service list). Thread-safe.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/bluetooth/bt_backend.h"

namespace bluez {

struct Lookup {
    std::optional<bth::ServiceSearch> search;  // none for an inquiry
    std::atomic<bool> ended{false};           // EndLookup, or the backend going
    // An inquiry: the devices sighted from this counter on, until the deadline.
    std::uint64_t firstSighting = 0;
    std::chrono::steady_clock::time_point deadline;
    std::set<BT_ADDR> reported;
    // A service search: whether its one response was handed out.
    bool answered = false;
    std::mutex mutex;  // for reported and answered: one Next at a time per lookup
};

class LookupTable {
public:
    bth::LookupId Add(std::shared_ptr<Lookup> lookup);
    std::shared_ptr<Lookup> Find(bth::LookupId id) const;
    // Takes the lookup out; null when unknown or taken already.
    std::shared_ptr<Lookup> Remove(bth::LookupId id);
    // Every lookup still open (the backend going ends them all).
    std::vector<std::shared_ptr<Lookup>> TakeAll();
    // Whether an inquiry other than `except` is still open.
    bool InquiryOpen(const Lookup* except) const;

private:
    mutable std::mutex mutex_;
    std::map<bth::LookupId, std::shared_ptr<Lookup>> lookups_;
    bth::LookupId next_ = 1;
};

}  // namespace bluez
