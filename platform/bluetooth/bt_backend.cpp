#include "platform/bluetooth/bt_backend.h"

#include <mutex>
#include <string>
#include <vector>

#include "platform/bluetooth/bt_serial_driver.h"
#include "platform/bluetooth/bt_stack_driver.h"
#include "platform/kernel/device.h"
#include "platform/obex/server/server_service.h"

namespace bth {
namespace {

constexpr DWORD kLastPort = 9;

std::mutex g_mutex;
std::shared_ptr<Backend> g_backend;  // under g_mutex
std::vector<std::wstring> g_reservedPorts;  // the COM devices standing for other drivers' ports; under g_mutex

// A COM port another driver of the system owns: it exists, and that is all this system sees.
class ReservedPortDriver final : public platform::StreamDriver {
public:
    std::unique_ptr<platform::DeviceFile> Open(DWORD, DWORD) override { return std::make_unique<platform::DeviceFile>(); }
};

void ShowReservedPorts(const std::shared_ptr<Backend>& backend) {
    std::lock_guard lock(g_mutex);
    for (const std::wstring& name : g_reservedPorts) platform::RemoveBuiltInDevice(name);
    g_reservedPorts.clear();
    if (!backend) return;
    for (DWORD index = 0; index <= kLastPort; ++index) {
        if (!backend->IsPortReserved(index)) continue;
        const std::wstring name = L"COM" + std::to_wstring(index) + L":";
        platform::AddBuiltInDevice(name, std::make_shared<ReservedPortDriver>());
        g_reservedPorts.push_back(name);
    }
}

}  // namespace

void InstallBackend(std::shared_ptr<Backend> backend) {
    obex::StopServers();  // they run over the backend being replaced
    {
        std::lock_guard lock(g_mutex);
        g_backend = backend;
    }
    if (!backend) {
        for (const wchar_t* device : {L"BTD0:", L"BTS1:", L"OBX0:"}) platform::RemoveBuiltInDevice(device);
        platform::RemoveDriverLibrary(L"btd.dll");
        ShowReservedPorts(nullptr);
        return;
    }
    platform::AddBuiltInDevice(L"BTD0:", MakeStackDriver(backend));
    platform::AddBuiltInDevice(L"BTS1:", MakeStackServiceDriver(backend));
    platform::AddBuiltInDevice(L"OBX0:", MakeObexServiceDriver(backend));
    platform::InstallDriverLibrary(L"btd.dll", MakeSerialDriverFactory(backend));
    ShowReservedPorts(backend);
}

void RefreshReservedPorts() { ShowReservedPorts(InstalledBackend()); }

std::shared_ptr<Backend> InstalledBackend() {
    std::lock_guard lock(g_mutex);
    return g_backend;
}

}  // namespace bth
