// A remote service's shortcut: its keys in the registry, written and removed by the service.
#include <cstdint>

#include "engine/device/device_distant.h"
#include "engine/service/service_distant.h"
#include "engine/service/shortcut_keys.h"
#include "platform/registry/registry.h"

namespace {

void WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void WriteString(HKEY key, const wchar_t* name, const CString& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()), RegStringSize(value.str()));
}

// Opens or creates `subKey` below `parent` for writing; null on failure.
HKEY CreateKey(HKEY parent, const wchar_t* subKey) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

int CServiceDistant::SaveShortcut() {
    auto* device = dynamic_cast<CDeviceDistant*>(m_pDevice);
    if (!device) return 0;
    const CString deviceName = device->GetName();
    const BT_ADDR address = device->GetBtAddr();

    HKEY root = CreateKey(HKEY_LOCAL_MACHINE, shortcuts::kRootKey);
    if (!root) return 0;
    HKEY deviceKey = CreateKey(root, shortcuts::DeviceKeyName(deviceName, address));
    RegCloseKey(root);
    if (!deviceKey) return 0;
    // The address keeps the 32-bit type with 8 bytes of data; readers take all 8.
    const std::uint64_t fullAddress = address;
    RegSetValueExW(deviceKey, shortcuts::kAddress, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&fullAddress),
                   sizeof fullAddress);
    WriteString(deviceKey, shortcuts::kDeviceName, deviceName);
    WriteDword(deviceKey, shortcuts::kClass, device->GetClass());

    const CString serviceName = GetName();
    HKEY serviceKey = CreateKey(HKEY_LOCAL_MACHINE, shortcuts::ServiceKeyPath(deviceName, address, serviceName));
    RegCloseKey(deviceKey);
    if (!serviceKey) return 0;
    WriteDword(serviceKey, shortcuts::kServiceId, GetID());
    WriteString(serviceKey, shortcuts::kServiceName, serviceName);
    WriteDword(serviceKey, shortcuts::kComPort, GetComPort());
    RegCloseKey(serviceKey);
    RegFlushKey(HKEY_LOCAL_MACHINE);

    device->AddShortcutService(GetID(), GetComPort());
    return 1;
}

int CServiceDistant::DeleteShortcut() {
    if (!m_pDevice) return 0;
    const CString deviceName = m_pDevice->GetName();
    const BT_ADDR address = m_pDevice->GetBtAddr();
    if (RegDeleteKeyW(HKEY_LOCAL_MACHINE, shortcuts::ServiceKeyPath(deviceName, address, GetName())) != ERROR_SUCCESS)
        return 0;
    const CString devicePath = shortcuts::DeviceKeyPath(deviceName, address);
    HKEY deviceKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, devicePath, 0, KEY_READ, &deviceKey) != ERROR_SUCCESS) return 0;
    wchar_t name[shortcuts::kKeyNameCharacters];
    DWORD length = shortcuts::kKeyNameCharacters;
    const bool empty =
        RegEnumKeyExW(deviceKey, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS;
    RegCloseKey(deviceKey);
    int result = 1;
    if (empty && RegDeleteKeyW(HKEY_LOCAL_MACHINE, devicePath) != ERROR_SUCCESS) result = 0;
    RegFlushKey(HKEY_LOCAL_MACHINE);
    return result;
}
