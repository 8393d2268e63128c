#include "sim/security/security_keys.h"

#include "platform/bluetooth/bt_security_store.h"
#include "platform/registry/registry.h"

namespace sim {

std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices) {
    std::vector<std::wstring> written;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return written;
    for (const std::wstring& name : previous) RegDeleteValueW(key, name.c_str());
    for (const WorldDevice& device : devices) {
        if (!device.pairedPin) continue;
        const std::wstring name = bth::PinValueName(device.address);
        const std::string& pin = *device.pairedPin;
        if (RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(pin.data()),
                           static_cast<DWORD>(pin.size())) == ERROR_SUCCESS)
            written.push_back(name);
    }
    RegCloseKey(key);
    return written;
}

}  // namespace sim
