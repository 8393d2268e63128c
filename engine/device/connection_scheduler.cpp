#include "engine/device/connection_scheduler.h"

#include "engine/device/device_distant.h"
#include "platform/kernel/types.h"

namespace {

// Passes due this close after the one that woke the thread run with it: a thousand devices,
// each at its own 5 s period, then wake the engine ten times a second, not two hundred.
constexpr auto kGathered = std::chrono::milliseconds(100);

}  // namespace

ConnectionScheduler& ConnectionScheduler::Instance() {
    static ConnectionScheduler scheduler;
    return scheduler;
}

ConnectionScheduler::~ConnectionScheduler() {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        due_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ConnectionScheduler::schedule(CDeviceDistant* device, Clock::time_point due) {
    queue_.emplace(due, device);
    due_[device] = due;
}

void ConnectionScheduler::Add(CDeviceDistant* device) {
    std::unique_lock lock(mutex_);
    if (due_.count(device)) return;
    schedule(device, Clock::now());
    if (!running_) {
        // A thread that found nothing left to watch has ended or is about to.
        if (thread_.joinable()) thread_.join();
        running_ = true;
        thread_ = std::thread(&ConnectionScheduler::run, this);
    }
    changed_.notify_all();
}

void ConnectionScheduler::Remove(CDeviceDistant* device) {
    std::unique_lock lock(mutex_);
    if (const auto found = due_.find(device); found != due_.end()) {
        queue_.erase({found->second, device});
        due_.erase(found);
    }
    // A pass may end with its device: never wait for oneself.
    if (std::this_thread::get_id() == thread_.get_id()) return;
    changed_.wait(lock, [&] { return passing_ != device; });
}

std::size_t ConnectionScheduler::Watched() const {
    std::lock_guard lock(mutex_);
    return due_.size();
}

bool ConnectionScheduler::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void ConnectionScheduler::run() {
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
        const auto [due, device] = *queue_.begin();
        if (due > Clock::now() + kGathered) {
            changed_.wait_until(lock, due);
            continue;
        }
        queue_.erase(queue_.begin());  // its entry in due_ stays: Remove during the pass erases it
        passing_ = device;
        lock.unlock();
        const DWORD waitMs = device->doConnectionMonitorThreadWork();
        lock.lock();
        passing_ = nullptr;
        // Unless it was taken off meanwhile, the next pass a period after this one ended, as a
        // thread waiting between passes would.
        if (due_.count(device)) {
            if (waitMs == INFINITE)
                due_.erase(device);
            else
                schedule(device, Clock::now() + std::chrono::milliseconds(waitMs));
        }
        changed_.notify_all();
    }
    running_ = false;
}
