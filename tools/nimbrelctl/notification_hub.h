#pragma once
// The console's one receiver of engine notifications. The engine keeps one callback per code,
// so every code comes here and goes on to whoever listens for it and, once printing is on, to
// standard error as one line: a time, the notification's name, and the device or service.
#include <functional>

#include "engine/frame/notifications.h"

namespace ctl {

class NotificationHub {
public:
    // Called on the engine's thread, with the hub's lock held: it must not subscribe.
    using Listener = std::function<void(NOTIFY_VALUE value)>;

    // Listens until it goes.
    class Subscription {
    public:
        Subscription() = default;
        explicit Subscription(int id) : id_(id) {}
        ~Subscription();
        Subscription(Subscription&& other) noexcept : id_(other.id_) { other.id_ = 0; }
        Subscription& operator=(Subscription&&) = delete;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;

    private:
        int id_ = 0;
    };

    // Takes every code of the engine; once, before the engine's first object.
    static void Install();
    // From now on, every notification is printed on standard error.
    static void PrintAll();
    static Subscription Subscribe(int code, Listener listener);
};

}  // namespace ctl
