#include "sim/security_keys.h"

#include <cwchar>

#include "platform/registry/registry.h"

namespace sim {

std::wstring PinValueName(BT_ADDR address) {
    wchar_t name[16];
    std::swprintf(name, sizeof name / sizeof name[0], L"pin%012llx",
                  static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFull));
    return name;
}

std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices) {
    std::vector<std::wstring> written;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSecurityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return written;
    for (const std::wstring& name : previous) RegDeleteValueW(key, name.c_str());
    for (const WorldDevice& device : devices) {
        if (!device.pairedPin) continue;
        const std::wstring name = PinValueName(device.address);
        const std::string& pin = *device.pairedPin;
        if (RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(pin.data()),
                           static_cast<DWORD>(pin.size())) == ERROR_SUCCESS)
            written.push_back(name);
    }
    RegCloseKey(key);
    return written;
}

}  // namespace sim
