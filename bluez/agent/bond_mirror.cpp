#include "bluez/agent/bond_mirror.h"

#include <map>
#include <mutex>
#include <set>

#include "platform/bluetooth/bt_security_store.h"
#include "platform/registry/registry.h"

namespace bluez {
namespace {

constexpr const char* kForeignBond = "bluez";

std::mutex g_pinsMutex;
std::map<BT_ADDR, std::string> g_pins;

std::string PinFor(BT_ADDR address) {
    std::lock_guard lock(g_pinsMutex);
    auto it = g_pins.find(address);
    return it == g_pins.end() ? kForeignBond : it->second;
}

HKEY OpenSecurityKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

void WriteBond(HKEY key, BT_ADDR address) {
    const std::wstring name = bth::PinValueName(address);
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) return;
    const std::string pin = PinFor(address);
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(pin.data()),
                   static_cast<DWORD>(pin.size()));
}

void EraseBond(HKEY key, BT_ADDR address) {
    RegDeleteValueW(key, bth::PinValueName(address).c_str());
    RegDeleteValueW(key, bth::LinkKeyValueName(address).c_str());
}

}  // namespace

void RememberPairingPin(BT_ADDR address, const std::string& pin) {
    std::lock_guard lock(g_pinsMutex);
    g_pins[address] = pin;
}

void MirrorBond(const DeviceInfo* before, const DeviceInfo* after) {
    const bool was = before && before->paired;
    const bool is = after && after->paired;
    if (was == is) return;
    HKEY key = OpenSecurityKey();
    if (!key) return;
    if (is) WriteBond(key, after->address);
    else EraseBond(key, before->address);
    RegCloseKey(key);
}

void MirrorAllBonds(const std::vector<DeviceInfo>& devices) {
    HKEY key = OpenSecurityKey();
    if (!key) return;
    std::set<BT_ADDR> paired;
    for (const DeviceInfo& device : devices)
        if (device.paired) paired.insert(device.address);
    std::vector<BT_ADDR> stale;
    for (DWORD index = 0;; ++index) {
        wchar_t name[32] = {};
        DWORD length = 32;
        const LONG result = RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) break;
        BT_ADDR address = 0;
        if (result == ERROR_SUCCESS && bth::ParsePinValueName(std::wstring_view(name, length), &address) &&
            !paired.count(address))
            stale.push_back(address);
    }
    for (BT_ADDR address : stale) EraseBond(key, address);
    for (BT_ADDR address : paired) WriteBond(key, address);
    RegCloseKey(key);
}

}  // namespace bluez
