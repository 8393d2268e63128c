#pragma once
// The steps every console command takes with the engine: switch it on, discover devices and
// services, and wait for the engine's notifications.
#include "engine/device/device_local.h"
#include "engine/frame/notifications.h"
#include "platform/kernel/types.h"

namespace ctl {

// Sets an event each time the engine raises `code`; Wait blocks until then.
class NotificationWaiter {
public:
    explicit NotificationWaiter(int code);
    ~NotificationWaiter();
    NotificationWaiter(const NotificationWaiter&) = delete;
    NotificationWaiter& operator=(const NotificationWaiter&) = delete;
    void Wait();
    // The value of the last notification seen.
    NOTIFY_VALUE value() const;

private:
    static int Raised(NOTIFY_VALUE value, NOTIFY_VALUE self);
    const int code_;
    HANDLE raised_;
    NOTIFY_VALUE value_ = 0;
};

// Switches the engine on with the console's receivers attached; false when it failed.
bool Activate(CDeviceLocal& local);
// Runs a device discovery to its end.
bool Discover(CDeviceLocal& local);
// The device with this address: found by a discovery, or added when the radio can reach it.
// Null, with a message on standard error, when neither.
CDeviceDistant* FindDevice(CDeviceLocal& local, BT_ADDR address);
// Runs the device's service discovery to its end.
bool DiscoverServices(CDeviceDistant& device);
// The address on the command line; false, with a message, when it is not one.
bool ParseAddressArgument(const std::string& text, BT_ADDR* address);

}  // namespace ctl
