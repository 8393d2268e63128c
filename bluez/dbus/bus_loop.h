#pragma once
// One GLib main context on a thread of its own: every GLib object of the backend is made, used
// and released there. Other threads hand it work and wait, bounded, for what it leaves them.
#include <functional>
#include <thread>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;

namespace bluez {

class BusLoop {
public:
    BusLoop();
    // Runs what is still queued, then stops and joins the thread.
    ~BusLoop();
    BusLoop(const BusLoop&) = delete;
    BusLoop& operator=(const BusLoop&) = delete;

    // Queues `work` for the loop's thread; it runs there soon, in the order queued.
    void Post(std::function<void()> work);
    // Runs `work` on the loop's thread after `delayMs`, unless the loop stops first.
    void PostDelayed(unsigned delayMs, std::function<void()> work);
    // True on the loop's own thread.
    bool OnLoopThread() const;
    GMainContext* context() const { return context_; }

private:
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::thread thread_;
};

}  // namespace bluez
