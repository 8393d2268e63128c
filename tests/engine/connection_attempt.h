#pragma once
// Waiting for a service's connection attempt to end, for attempts that raise nothing (a
// monitor's reconnection) or whose last notification comes before the thread returns.
#include <chrono>
#include <thread>

#include "engine/service/service_distant.h"

namespace testsupport {

// True once no attempt is left; false when one still runs after a generous time.
inline bool AttemptEnded(CServiceDistant& service) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!service.cancelConnection()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace testsupport
