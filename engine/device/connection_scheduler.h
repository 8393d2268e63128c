#pragma once
// One thread runs the connection monitor of every remote device, so that the engine's threads
// do not grow with the devices around. Each device's pass is due when its last one asked
// (`CDeviceDistant::doConnectionMonitorThreadWork` returns the wait until the next), or up to
// a tenth of a second before, with a pass that falls due first; passes take turns. The thread
// exists only while some device is watched.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>

#include "engine/frame/export.h"

class CDeviceDistant;

class NIMBREL_API ConnectionScheduler {
public:
    using Clock = std::chrono::steady_clock;

    static ConnectionScheduler& Instance();
    ~ConnectionScheduler();

    // Watches `device`: its first pass runs at once.
    void Add(CDeviceDistant* device);
    // Stops watching `device`; returns once no pass of it runs, and none starts after.
    void Remove(CDeviceDistant* device);
    // How many devices are watched, and whether the thread runs (for tests).
    std::size_t Watched() const;
    bool Running() const;

private:
    ConnectionScheduler() = default;
    void run();
    void schedule(CDeviceDistant* device, Clock::time_point due);  // under mutex_

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::pair<Clock::time_point, CDeviceDistant*>> queue_;  // by when each is due
    std::unordered_map<CDeviceDistant*, Clock::time_point> due_;
    CDeviceDistant* passing_ = nullptr;  // whose pass runs now, the lock let go
    bool running_ = false;                // thread_ is in run()
    std::thread thread_;
};
