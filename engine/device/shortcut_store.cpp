// The local device's shortcuts: loaded from the registry once at construction, answered from
// memory afterwards. The registry layout is in engine/service/shortcut_keys.h.
#include <cstdint>

#include "engine/device/device_local.h"
#include "engine/service/service_distant.h"
#include "engine/service/shortcut_keys.h"
#include "platform/registry/registry.h"

namespace {

// Reads up to `size` bytes of a value whatever its type; what is missing stays as it was.
void ReadBytes(HKEY key, const wchar_t* name, void* data, DWORD size) {
    RegQueryValueExW(key, name, nullptr, nullptr, static_cast<BYTE*>(data), &size);
}

CString ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueOfTypeW(key, name, REG_SZ, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return CString();
    buffer[255] = 0;
    return CString(buffer);
}

// The index-th subkey's name; false past the last one (or on any failure).
bool SubKeyName(HKEY key, DWORD index, wchar_t (&name)[shortcuts::kKeyNameCharacters]) {
    DWORD length = shortcuts::kKeyNameCharacters;
    return RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

int CDeviceLocal::loadShortcutsFromRegistry() {
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, shortcuts::kRootKey, 0, 0, &root) != ERROR_SUCCESS) return 0;
    int complete = 1;
    wchar_t deviceKeyName[shortcuts::kKeyNameCharacters];
    for (DWORD index = 0; complete && SubKeyName(root, index, deviceKeyName); ++index) {
        HKEY deviceKey = nullptr;
        if (RegOpenKeyExW(root, deviceKeyName, 0, 0, &deviceKey) != ERROR_SUCCESS) {
            complete = 0;
            break;
        }
        std::uint64_t address = 0;
        DWORD classOfDevice = 0;
        ReadBytes(deviceKey, shortcuts::kAddress, &address, sizeof address);
        ReadBytes(deviceKey, shortcuts::kClass, &classOfDevice, sizeof classOfDevice);
        CDeviceDistant* device =
            AddShortcutDevice(address, ReadString(deviceKey, shortcuts::kDeviceName), classOfDevice, 0);

        wchar_t serviceKeyName[shortcuts::kKeyNameCharacters];
        for (DWORD service = 0; SubKeyName(deviceKey, service, serviceKeyName); ++service) {
            HKEY serviceKey = nullptr;
            if (RegOpenKeyExW(deviceKey, serviceKeyName, 0, 0, &serviceKey) != ERROR_SUCCESS) {
                complete = 0;
                break;
            }
            DWORD id = 0, comPort = 0;
            ReadBytes(serviceKey, shortcuts::kServiceId, &id, sizeof id);
            ReadBytes(serviceKey, shortcuts::kComPort, &comPort, sizeof comPort);
            device->AddShortcutService(id, comPort);  // an unknown identifier makes nothing
            RegCloseKey(serviceKey);
        }
        RegCloseKey(deviceKey);
    }
    RegCloseKey(root);
    return complete;
}

CDeviceDistant* CDeviceLocal::AddShortcutDevice(BT_ADDR address, CString name, unsigned int classOfDevice,
                                                int paired) {
    if (CDeviceDistant* known = GetShortcutDeviceDistant(address)) return known;
    auto* device = new CDeviceDistant(address, name, classOfDevice, paired);
    std::lock_guard lock(m_devicesLock);
    m_aShortcutDevices.Add(device);
    return device;
}

CDeviceDistant* CDeviceLocal::GetShortcutDeviceDistant(BT_ADDR address) {
    std::lock_guard lock(m_devicesLock);
    for (CDeviceDistant* device : m_aShortcutDevices)
        if (device->GetBtAddr() == address) return device;
    return nullptr;
}

int CDeviceLocal::ShortcutAlreadySaved(CServiceDistant* service) {
    if (!service || !service->GetDevice()) return 0;
    const BT_ADDR address = service->GetDevice()->GetBtAddr();
    std::lock_guard lock(m_devicesLock);
    for (CDeviceDistant* device : m_aShortcutDevices) {
        if (device->GetBtAddr() != address) continue;
        auto servicesLock = device->ServicesLock();
        for (CServiceDistant* shortcut : device->GetShortcutServices())
            if (shortcut->GetID() == service->GetID()) return 1;
    }
    return 0;
}

CServiceDistant* CDeviceLocal::GetServiceFromShortcut(CServiceDistant* shortcut) {
    if (!shortcut || !shortcut->GetDevice()) return nullptr;
    std::lock_guard lock(m_devicesLock);
    CDeviceDistant* device = findListed(shortcut->GetDevice()->GetBtAddr());
    if (!device) return nullptr;
    auto servicesLock = device->ServicesLock();
    for (CServiceDistant* service : device->GetServices())
        if (service->GetID() == shortcut->GetID()) return service;
    return nullptr;
}

int CDeviceLocal::DeleteShortcut(CServiceDistant* shortcut) {
    if (!shortcut || !shortcut->GetDevice()) return 0;
    const BT_ADDR address = shortcut->GetDevice()->GetBtAddr();
    const unsigned int id = shortcut->GetID();
    CDeviceDistant* owner = nullptr;
    {
        std::lock_guard lock(m_devicesLock);
        for (CDeviceDistant* device : m_aShortcutDevices) {
            if (device->GetBtAddr() != address) continue;
            auto servicesLock = device->ServicesLock();
            for (CServiceDistant* service : device->GetShortcutServices())
                if (service->GetID() == id) owner = device;
            if (owner) break;
        }
    }
    if (!owner) return 0;
    // The keys go first: `shortcut` may be the very object deleted next.
    shortcut->DeleteShortcut();
    owner->DeleteShortcutService(id);
    return 1;
}
