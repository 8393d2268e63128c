#pragma once
// The world's timeline: events fired at their time after the stack's start, on a thread of
// their own. Destroying the timeline stops the thread and joins it, so `fire` is never called
// after that.
#include <functional>
#include <thread>
#include <vector>

#include "sim/kernel_event.h"
#include "sim/world/world.h"

namespace sim {

class Timeline {
public:
    using Fire = std::function<void(const WorldEvent&)>;

    // Starts now; events fire in time order (world order among equal times).
    Timeline(std::vector<WorldEvent> events, Fire fire);
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

private:
    void Run();

    std::vector<WorldEvent> events_;
    Fire fire_;
    KernelEvent stop_;
    std::thread thread_;  // last: starts once everything it uses exists
};

}  // namespace sim
