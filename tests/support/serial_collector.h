#pragma once
// Our side of a serial link in tests: gathers what the remote end sends and whether the link
// broke, and waits for it.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "platform/bluetooth/bt_backend.h"

namespace testsupport {

class SerialCollector final : public bth::SerialSink {
public:
    void Received(const std::uint8_t* data, std::size_t size) override {
        {
            std::lock_guard lock(mutex_);
            text_.append(reinterpret_cast<const char*>(data), size);
        }
        changed_.notify_all();
    }
    void Broken() override {
        {
            std::lock_guard lock(mutex_);
            broken_ = true;
        }
        changed_.notify_all();
    }
    // Waits up to ten seconds for `done` on the text so far; the text.
    std::string Await(const std::function<bool(const std::string&)>& done) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return done(text_); });
        return text_;
    }
    std::string AwaitSize(std::size_t size) {
        return Await([&](const std::string& text) { return text.size() >= size; });
    }
    bool AwaitBroken() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return broken_; });
    }
    std::string Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(text_, {});
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string text_;
    bool broken_ = false;
};

}  // namespace testsupport
