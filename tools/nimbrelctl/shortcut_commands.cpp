// Shortcuts from the console: listed as the engine loaded them, saved from a service found on
// a device (as the program does) and deleted.
#include "shortcut_commands.h"

#include <cstdio>
#include <cstdlib>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/service/service_distant.h"
#include "engine_steps.h"

namespace ctl {
namespace {

std::string ComPort(unsigned int port) { return port == NO_COM_PORT ? "-" : "COM" + std::to_string(port); }

bool ParseServiceId(const std::string& text, unsigned int* id) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || value < SERVICE_ID_SPP || value > SERVICE_ID_DUN) {
        std::fprintf(stderr, "nimbrelctl: the service id is 1 to 4, not '%s'\n", text.c_str());
        return false;
    }
    *id = static_cast<unsigned int>(value);
    return true;
}

int Save(CDeviceLocal& local, BT_ADDR address, unsigned int id) {
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device || !DiscoverServices(*device)) return kExitFailed;
    CServiceDistant* service = device->GetService(id);
    if (!service) {
        std::fprintf(stderr, "nimbrelctl: %s offers no service %u\n", Address(address).c_str(), id);
        return kExitFailed;
    }
    if (local.ShortcutAlreadySaved(service)) {
        std::printf("Shortcut already saved.\n");
        return kExitOk;
    }
    if (!service->SaveShortcut()) {
        std::fprintf(stderr, "nimbrelctl: the shortcut could not be written\n");
        return kExitFailed;
    }
    CDeviceDistant* shortcutDevice = local.GetShortcutDeviceDistant(address);
    if (!shortcutDevice) shortcutDevice = local.AddShortcutDevice(address, device->GetName(), device->GetClass(), 0);
    shortcutDevice->AddShortcutService(id, service->GetComPort());
    std::printf("Shortcut succesfully saved.\n");
    return kExitOk;
}

int Delete(CDeviceLocal& local, BT_ADDR address, unsigned int id) {
    CServiceDistant* shortcut = nullptr;
    if (CDeviceDistant* device = local.GetShortcutDeviceDistant(address)) {
        auto lock = device->ServicesLock();
        for (CServiceDistant* service : device->GetShortcutServices())
            if (service->GetID() == id) shortcut = service;
    }
    if (!shortcut || !local.DeleteShortcut(shortcut)) {
        std::fprintf(stderr, "nimbrelctl: no shortcut to service %u of %s\n", id, Address(address).c_str());
        return kExitFailed;
    }
    std::printf("deleted\n");
    return kExitOk;
}

}  // namespace

int Shortcuts(const std::vector<std::string>&) {
    CDeviceLocal local;
    auto lock = local.DevicesLock();
    for (CDeviceDistant* device : local.GetShortcutDevices()) {
        auto servicesLock = device->ServicesLock();
        for (CServiceDistant* service : device->GetShortcutServices())
            std::printf("%s\t%s\t%u\t%s\t%s\n", Address(device->GetBtAddr()).c_str(), Text(device->GetName()).c_str(),
                        service->GetID(), Text(service->GetName()).c_str(), ComPort(service->GetComPort()).c_str());
    }
    return kExitOk;
}

int Shortcut(const std::vector<std::string>& args) {
    const bool save = args[0] == "save";
    if (!save && args[0] != "delete") {
        std::fprintf(stderr, "nimbrelctl: shortcut save|delete ADDRESS ID\n");
        return kExitUsage;
    }
    BT_ADDR address = 0;
    unsigned int id = 0;
    if (!ParseAddressArgument(args[1], &address) || !ParseServiceId(args[2], &id)) return kExitUsage;
    CDeviceLocal local;
    return save ? Save(local, address, id) : Delete(local, address, id);
}

}  // namespace ctl
