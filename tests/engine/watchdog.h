#pragma once
// Ends the test process with a message when a test body hangs (a deadlock) instead of leaving
// the runner waiting for ever; each test runs in a process of its own.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace testsupport {

class Watchdog {
public:
    explicit Watchdog(const char* what)
        : thread_([what, done = done_.get_future()] {
              if (done.wait_for(std::chrono::seconds(60)) == std::future_status::ready) return;
              std::fprintf(stderr, "hung: %s\n", what);
              std::abort();
          }) {}
    ~Watchdog() {
        done_.set_value();
        thread_.join();
    }

private:
    std::promise<void> done_;
    std::thread thread_;
};

}  // namespace testsupport
