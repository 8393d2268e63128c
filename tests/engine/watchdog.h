#pragma once
// Ends the test process with a message when a test body hangs (a deadlock), instead of leaving
// the test runner waiting for ever. Each test runs in a process of its own.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testsupport {

class Watchdog {
public:
    explicit Watchdog(const char* what, std::chrono::seconds limit = std::chrono::seconds(60))
        : thread_([this, what, limit] {
              std::unique_lock lock(mutex_);
              if (!disarmed_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "hung: %s\n", what);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        disarmed_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace testsupport
