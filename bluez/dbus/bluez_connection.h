#pragma once
// The backend's connection to bluetoothd: the system bus, opened on the loop's thread, the
// watch on the name org.bluez, and the object cache fed from its ObjectManager. When
// bluetoothd starts (or starts again) the cache is loaded anew and the attach listeners run,
// so that what we registered with the old one (agent, profiles) is registered again.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bluez/dbus/bus_call.h"
#include "bluez/dbus/bus_loop.h"
#include "bluez/dbus/object_cache.h"

namespace bluez {

class BlueZConnection {
public:
    explicit BlueZConnection(BusLoop& loop) : loop_(loop) {}
    // Close()s.
    ~BlueZConnection();
    // Lets go of the connection on the loop's thread and waits for that; nothing of
    // bluetoothd's reaches the cache after.
    void Close();
    BlueZConnection(const BlueZConnection&) = delete;
    BlueZConnection& operator=(const BlueZConnection&) = delete;

    // Listeners run on the loop's thread each time bluetoothd's objects have been loaded.
    // Add them before Open.
    void OnAttached(std::function<void(GDBusConnection*)> listener);
    // Connects and loads bluetoothd's objects; waits up to `timeoutMs`. False with a message
    // for the user when the bus or bluetoothd does not answer, or has no adapter.
    bool Open(unsigned timeoutMs, std::string* error);

    ObjectCache& cache() { return cache_; }
    BusLoop& loop() { return loop_; }
    // On the loop's thread: the connection, null before it opened.
    GDBusConnection* connection() const { return connection_; }

    // A call to bluetoothd from any thread but the loop's, bounded by the callSpec's time-out.
    CallResult Call(const CallSpec& callSpec, std::function<GVariant*()> parameters = {},
                    std::function<void(GVariant*)> onReply = {});
    // Sets one property of an object of bluetoothd.
    CallResult SetProperty(const std::string& path, const char* interface, const char* name,
                           std::function<GVariant*()> value, unsigned timeoutMs = 5000);

private:
    void Connected(GDBusConnection* connection);
    void Subscribe();
    void Load();
    static void NameAppeared(GDBusConnection*, const char*, const char*, void* self);
    static void NameVanished(GDBusConnection*, const char*, void* self);
    static void Signal(GDBusConnection*, const char* sender, const char* path, const char* interface,
                       const char* signal, GVariant* parameters, void* self);

    BusLoop& loop_;
    ObjectCache cache_;
    GDBusConnection* connection_ = nullptr;  // the loop's thread only, as the rest below
    unsigned nameWatch_ = 0;
    std::vector<unsigned> subscriptions_;
    std::vector<std::function<void(GDBusConnection*)>> attachListeners_;
    std::uint64_t loads_ = 0;  // a load overtaken by a newer one is ignored
    bool closed_ = false;
    std::atomic<bool> closeAsked_{false};

    // Open's outcome, read by the opening thread.
    std::mutex openMutex_;
    std::condition_variable openChanged_;
    bool openEnded_ = false;
    bool loaded_ = false;
    std::string openError_;
    void EndOpen(bool loaded, const std::string& error);
};

}  // namespace bluez
