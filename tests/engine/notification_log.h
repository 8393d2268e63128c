#pragma once
// Records the engine's notifications as a host would receive them, for tests to wait on.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/frame/notifications.h"

namespace testsupport {

struct Notification {
    int code;
    NOTIFY_VALUE value;
};

class NotificationLog {
public:
    // Registers the log for all thirteen codes.
    static NotificationLog& Attach() {
        for (int code = NOTIFY_INQUIRY_BEGIN; code <= NOTIFY_OBEX_DISCONNECTED; ++code)
            NIMBRL_RegisterCallback(code, &NotificationLog::Receive, static_cast<NOTIFY_VALUE>(code));
        return Instance();
    }
    static NotificationLog& Instance() {
        static NotificationLog log;
        return log;
    }
    std::vector<Notification> All() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::vector<int> Codes() {
        std::vector<int> codes;
        for (auto& n : All()) codes.push_back(n.code);
        return codes;
    }
    size_t Count(int code) {
        size_t n = 0;
        for (int c : Codes()) n += c == code;
        return n;
    }
    // Waits (generously) until `code` has arrived `count` times.
    bool WaitFor(int code, size_t count = 1) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30), [&] {
            size_t n = 0;
            for (auto& r : received_) n += r.code == code;
            return n >= count;
        });
    }

private:
    static int Receive(NOTIFY_VALUE value, NOTIFY_VALUE code) {
        auto& log = Instance();
        std::lock_guard lock(log.mutex_);
        log.received_.push_back({static_cast<int>(code), value});
        log.arrived_.notify_all();
        return 0;
    }
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Notification> received_;
};

}  // namespace testsupport
