#pragma once
// Reads values straight from the registry under HKEY_LOCAL_MACHINE, as another program would.
#include <optional>
#include <string>

#include "platform/registry/registry.h"

namespace testsupport {

inline bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// How many subkeys the key has; 0 when it does not exist.
inline DWORD SubkeyCount(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD count = 0;
    for (;; ++count) {
        wchar_t name[256];
        DWORD length = sizeof name / sizeof name[0];
        if (RegEnumKeyExW(key, count, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    return count;
}

// The string and its stored size in bytes.
inline std::optional<std::pair<std::wstring, DWORD>> ReadString(const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer / sizeof buffer[0] * 2, type = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::make_pair(std::wstring(buffer), size);
}

inline std::optional<DWORD> ReadDword(const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, size = sizeof value;
    LONG result = RegQueryValueOfTypeW(key, name, REG_DWORD, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return value;
}

}  // namespace testsupport
