#include "commands.h"

#include <cstdio>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/notifications.h"
#include "engine/service/service_distant.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/sync.h"

namespace ctl {
namespace {

void Field(const char* key, const std::string& value) { std::printf("%s\t%s\n", key, value.c_str()); }

int Status(const std::vector<std::string>&) {
    CDeviceLocal local;
    AttachErrorReceivers();
    Field("name", Text(local.GetName()));
    Field("address", Address(local.GetBtAddr()));
    Field("class", ClassOfDevice(local.GetClass()));
    Field("findable", std::to_string(local.GetFindable()));
    Field("authenticate", std::to_string(local.GetAuthenticate()));
    return kExitOk;
}

// Signals an event when an inquiry thread (discovery of devices or of services) has ended.
class InquiryWaiter {
public:
    InquiryWaiter() : done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        NIMBRL_RegisterCallback(NOTIFY_INQUIRY_END, &InquiryWaiter::Ended, reinterpret_cast<NOTIFY_VALUE>(done_));
    }
    ~InquiryWaiter() {
        NIMBRL_UnregisterCallback(NOTIFY_INQUIRY_END);
        CloseHandle(done_);
    }
    void Wait() { WaitForSingleObject(done_, INFINITE); }

private:
    static int Ended(NOTIFY_VALUE, NOTIFY_VALUE event) {
        SetEvent(reinterpret_cast<HANDLE>(event));
        return 0;
    }
    HANDLE done_;
};

// Switches the engine on with the console's receivers attached; false when it failed.
bool Activate(CDeviceLocal& local) {
    AttachErrorReceivers();
    return local.Activate(1) != 0;
}

bool Discover(CDeviceLocal& local) {
    InquiryWaiter waiter;
    if (!local.FindDevices()) return false;
    waiter.Wait();
    return true;
}

int Scan(const std::vector<std::string>&) {
    CDeviceLocal local;
    if (!Activate(local) || !Discover(local)) return kExitFailed;
    auto lock = local.DevicesLock();
    for (auto* device : local.GetDevices())
        std::printf("%s\t%s\t%d\t%s\n", Address(device->GetBtAddr()).c_str(), ClassOfDevice(device->GetClass()).c_str(),
                    device->IsPaired(), Text(device->GetName()).c_str());
    return kExitOk;
}

// The device with this address: found by a discovery, or added when the radio can reach it.
CDeviceDistant* FindDevice(CDeviceLocal& local, BT_ADDR address) {
    if (!Discover(local)) return nullptr;
    if (CDeviceDistant* device = local.getDeviceDistant(address)) return device;
    unsigned int classOfDevice = 0;
    if (BthGetRemoteCOD(address, &classOfDevice) != 0) return nullptr;
    CDeviceDistant* device = local.addDevice(address, CString(), classOfDevice, 0);
    device->Update();
    return device;
}

int Services(const std::vector<std::string>& args) {
    std::uint64_t address = 0;
    if (!bth::ParseAddress(args[0], &address)) {
        std::fprintf(stderr, "nimbrelctl: '%s' is not an address like 00:12:AB:34:CD:56\n", args[0].c_str());
        return kExitUsage;
    }
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device) {
        std::fprintf(stderr, "nimbrelctl: no device %s is within reach\n", Address(address).c_str());
        return kExitFailed;
    }
    {
        InquiryWaiter waiter;
        if (!device->FindServices()) return kExitFailed;
        waiter.Wait();
    }
    auto lock = device->ServicesLock();
    for (auto* service : device->GetServices())
        std::printf("%u\t%s\n", service->GetID(), Text(service->GetName()).c_str());
    return kExitOk;
}

const Command kCommands[] = {
    {"status", "status", 0, 0, &Status},
    {"scan", "scan", 0, 0, &Scan},
    {"services", "services ADDRESS", 1, 1, &Services},
};

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const auto& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace ctl
