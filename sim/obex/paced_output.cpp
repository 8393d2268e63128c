#include "sim/obex/paced_output.h"

#include <algorithm>
#include <chrono>

namespace sim {

PacedOutput::PacedOutput(SerialEndpoint::Output output, std::function<void()> hangup, std::uint32_t kbps)
    : output_(std::move(output)), hangup_(std::move(hangup)), kbps_(kbps) {
    if (kbps_ > 0) thread_ = std::thread([this] { Run(); });
}

PacedOutput::~PacedOutput() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PacedOutput::Send(const obex::Bytes& bytes) {
    if (kbps_ == 0) return output_(bytes.data(), bytes.size());
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({bytes, false, ++queued_});
    }
    changed_.notify_all();
}

void PacedOutput::Hurry() {
    {
        std::lock_guard lock(mutex_);
        hurriedTo_ = queued_;
    }
    changed_.notify_all();
}

void PacedOutput::HangUp() {
    if (kbps_ == 0) return hangup_();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({{}, true, ++queued_});
        hurriedTo_ = queued_;
    }
    changed_.notify_all();
}

void PacedOutput::Run() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point free = Clock::now();  // when the link has sent what went before
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        Item item = std::move(queue_.front());
        queue_.pop_front();
        const auto takes = std::chrono::microseconds(item.bytes.size() * 8000 / kbps_);
        const auto due = std::max(free, Clock::now()) + takes;
        changed_.wait_until(lock, due, [&] { return stop_ || hurriedTo_ >= item.number; });
        if (stop_) return;
        free = std::min(due, Clock::now());
        lock.unlock();
        if (item.hangup) {
            hangup_();
        } else {
            output_(item.bytes.data(), item.bytes.size());
        }
        lock.lock();
    }
}

}  // namespace sim
