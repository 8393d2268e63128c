#include "engine_steps.h"

#include <cstdio>
#include <optional>

#include "console.h"
#include "engine/frame/bth_stack.h"
#include "engine/service/service_distant.h"
#include "platform/bluetooth/bt_address.h"
#include "tools/common/backend_choice.h"

namespace ctl {

NotificationWaiter::NotificationWaiter(int code)
    : subscription_(NotificationHub::Subscribe(code, [this](NOTIFY_VALUE) {
          std::lock_guard lock(lock_);
          ++pending_;
          raised_.notify_all();
      })) {}

void NotificationWaiter::Wait() {
    std::unique_lock lock(lock_);
    raised_.wait(lock, [this] { return pending_ > 0; });
    --pending_;
}

bool Activate(CDeviceLocal& local) {
    // Told at once: the engine would read the hardware status for ten seconds before giving up.
    if (hostbackend::PoweredOff()) {
        std::fprintf(stderr, "nimbrelctl: %s\n", kPoweredOffMessage);
        return false;
    }
    return local.Activate(1) != 0;
}

bool Discover(CDeviceLocal& local) {
    NotificationWaiter ended(NOTIFY_INQUIRY_END);
    if (!local.FindDevices()) return false;
    ended.Wait();
    return true;
}

CDeviceDistant* FindDevice(CDeviceLocal& local, BT_ADDR address) {
    if (Discover(local))
        if (CDeviceDistant* device = local.getDeviceDistant(address)) return device;
    unsigned int classOfDevice = 0;
    if (BthGetRemoteCOD(address, &classOfDevice) != 0) {
        std::fprintf(stderr, "nimbrelctl: no device %s is within reach\n", Address(address).c_str());
        return nullptr;
    }
    CDeviceDistant* device = local.addDevice(address, CString(), classOfDevice, 0);
    device->Update();
    return device;
}

bool DiscoverServices(CDeviceDistant& device) {
    NotificationWaiter ended(NOTIFY_INQUIRY_END);
    if (!device.FindServices()) return false;
    ended.Wait();
    return true;
}

bool ConnectService(CServiceDistant& service) {
    std::mutex lock;
    std::condition_variable finished;
    std::optional<bool> outcome;
    auto finish = [&](bool connected) {
        std::lock_guard guard(lock);
        outcome = connected;
        finished.notify_all();
    };
    NotificationHub::Subscription connected =
        NotificationHub::Subscribe(NOTIFY_CONNECTED, [&](NOTIFY_VALUE) { finish(true); });
    NotificationHub::Subscription failed =
        NotificationHub::Subscribe(NOTIFY_CONNECT_FAILED, [&](NOTIFY_VALUE) { finish(false); });
    service.Connect();
    std::unique_lock guard(lock);
    finished.wait(guard, [&] { return outcome.has_value(); });
    return *outcome;
}

bool ParseAddressArgument(const std::string& text, BT_ADDR* address) {
    if (bth::ParseAddress(text, address)) return true;
    std::fprintf(stderr, "nimbrelctl: '%s' is not an address like 00:12:AB:34:CD:56\n", text.c_str());
    return false;
}

}  // namespace ctl
