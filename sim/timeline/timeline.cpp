#include "sim/timeline/timeline.h"

#include <algorithm>
#include <chrono>

namespace sim {

Timeline::Timeline(std::vector<WorldEvent> events, Fire fire)
    : events_(std::move(events)), fire_(std::move(fire)), thread_([this] { Run(); }) {}

Timeline::~Timeline() {
    stop_.Set();
    thread_.join();
}

void Timeline::Run() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::stable_sort(events_.begin(), events_.end(),
                     [](const WorldEvent& a, const WorldEvent& b) { return a.atMs < b.atMs; });
    for (const WorldEvent& event : events_) {
        const auto due = start + std::chrono::milliseconds(event.atMs);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
        if (stop_.Wait(left > 0 ? static_cast<DWORD>(left) : 0)) return;
        fire_(event);
    }
}

}  // namespace sim
