#pragma once
// The steps every console command takes with the engine: switch it on, discover devices and
// services, and wait for the engine's notifications.
#include <condition_variable>
#include <mutex>

#include "engine/device/device_local.h"
#include "engine/frame/notifications.h"
#include "notification_hub.h"
#include "platform/kernel/types.h"

namespace ctl {

// Counts the notifications of `code` from its construction on; Wait blocks until one came
// that no earlier Wait took.
class NotificationWaiter {
public:
    explicit NotificationWaiter(int code);
    void Wait();

private:
    std::mutex lock_;
    std::condition_variable raised_;
    int pending_ = 0;
    NotificationHub::Subscription subscription_;  // last: goes first
};

constexpr const char* kPoweredOffMessage = "the adapter is powered off: switch it on with 'nimbrelctl power on'";

// Switches the engine on; false when it failed (at once, with kPoweredOffMessage, while the
// adapter is switched off).
bool Activate(CDeviceLocal& local);
// Runs a device discovery to its end.
bool Discover(CDeviceLocal& local);
// The device with this address: found by a discovery, or added when the radio can reach it.
// Null, with a message on standard error, when neither.
CDeviceDistant* FindDevice(CDeviceLocal& local, BT_ADDR address);
// Runs the device's service discovery to its end.
bool DiscoverServices(CDeviceDistant& device);
// Connects the service and waits for the outcome; true when it connected.
bool ConnectService(CServiceDistant& service);
// The address on the command line; false, with a message, when it is not one.
bool ParseAddressArgument(const std::string& text, BT_ADDR* address);

}  // namespace ctl
