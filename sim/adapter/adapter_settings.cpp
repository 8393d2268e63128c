#include "sim/adapter/adapter_settings.h"

#include "platform/registry/registry.h"

namespace sim {
namespace {

constexpr const wchar_t* kSettingsKey = L"software\\microsoft\\bluetooth\\simulated radio";

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

DWORD WriteDword(const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return static_cast<DWORD>(result);
    result = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return static_cast<DWORD>(result);
}

}  // namespace

StoredAdapterSettings ReadStoredAdapterSettings() {
    StoredAdapterSettings settings;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return settings;
    if (auto powered = ReadDword(key, L"Powered"); powered && *powered <= 1) settings.powered = *powered == 1;
    if (auto mask = ReadDword(key, L"ScanMask"); mask && *mask <= 3)
        settings.scanMask = static_cast<std::uint8_t>(*mask);
    RegCloseKey(key);
    return settings;
}

DWORD StorePowered(bool on) { return WriteDword(L"Powered", on ? 1 : 0); }
DWORD StoreScanMask(std::uint8_t mask) { return WriteDword(L"ScanMask", mask); }

}  // namespace sim
