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
    // Stop()s.
    ~BusLoop();
    BusLoop(const BusLoop&) = delete;
    BusLoop& operator=(const BusLoop&) = delete;

    // Runs what is queued and due, then stops and joins the thread; work queued later never
    // runs. Call it while what queued work refers to still exists.
    void Stop();
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
    bool stopped_ = false;  // the owner's thread only
};

}  // namespace bluez
