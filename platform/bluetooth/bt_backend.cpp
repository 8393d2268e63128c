#include "platform/bluetooth/bt_backend.h"

#include <mutex>

#include "platform/bluetooth/bt_serial_driver.h"
#include "platform/bluetooth/bt_stack_driver.h"
#include "platform/kernel/device.h"

namespace bth {
namespace {

std::mutex g_mutex;
std::shared_ptr<Backend> g_backend;  // under g_mutex

}  // namespace

void InstallBackend(std::shared_ptr<Backend> backend) {
    {
        std::lock_guard lock(g_mutex);
        g_backend = backend;
    }
    if (!backend) {
        for (const wchar_t* device : {L"BTD0:", L"BTS1:", L"OBX0:"}) platform::RemoveBuiltInDevice(device);
        platform::RemoveDriverLibrary(L"btd.dll");
        return;
    }
    platform::AddBuiltInDevice(L"BTD0:", MakeStackDriver(backend));
    platform::AddBuiltInDevice(L"BTS1:", MakeStackServiceDriver(backend));
    platform::AddBuiltInDevice(L"OBX0:", MakeObexServiceDriver(backend));
    platform::InstallDriverLibrary(L"btd.dll", MakeSerialDriverFactory(backend));
}

std::shared_ptr<Backend> InstalledBackend() {
    std::lock_guard lock(g_mutex);
    return g_backend;
}

}  // namespace bth
