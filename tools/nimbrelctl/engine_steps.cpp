#include "engine_steps.h"

#include <cstdio>

#include "console.h"
#include "engine/frame/bth_stack.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/sync.h"

namespace ctl {

NotificationWaiter::NotificationWaiter(int code) : code_(code), raised_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    NIMBRL_RegisterCallback(code_, &NotificationWaiter::Raised, reinterpret_cast<NOTIFY_VALUE>(this));
}

NotificationWaiter::~NotificationWaiter() {
    NIMBRL_UnregisterCallback(code_);
    CloseHandle(raised_);
}

void NotificationWaiter::Wait() { WaitForSingleObject(raised_, INFINITE); }

NOTIFY_VALUE NotificationWaiter::value() const { return value_; }

int NotificationWaiter::Raised(NOTIFY_VALUE value, NOTIFY_VALUE self) {
    auto* waiter = reinterpret_cast<NotificationWaiter*>(self);
    waiter->value_ = value;  // published to the waiting thread by the event
    SetEvent(waiter->raised_);
    return 0;
}

bool Activate(CDeviceLocal& local) {
    AttachErrorReceivers();
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

bool ParseAddressArgument(const std::string& text, BT_ADDR* address) {
    if (bth::ParseAddress(text, address)) return true;
    std::fprintf(stderr, "nimbrelctl: '%s' is not an address like 00:12:AB:34:CD:56\n", text.c_str());
    return false;
}

}  // namespace ctl
