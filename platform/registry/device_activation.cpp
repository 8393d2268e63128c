#include "platform/registry/device_activation.h"

#include <string>

#include "platform/kernel/device.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"

namespace {

std::wstring ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[260] = {};
    DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2, type = 0;  // registry sizes count UTF-16 bytes
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    buffer[259] = 0;
    return buffer;
}

}  // namespace

HANDLE ActivateDevice(LPCWSTR registryKey, DWORD context) {
    HKEY key = nullptr;
    if (!registryKey || RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    std::wstring prefix = ReadString(key, L"Prefix"), library = ReadString(key, L"Dll");
    DWORD index = 0, size = sizeof(index);
    LONG indexResult = RegQueryValueOfTypeW(key, L"Index", REG_DWORD, reinterpret_cast<BYTE*>(&index), &size);
    // A "Context" value stands for the driver's context (a port-parameters cookie) and wins
    // over the caller's.
    DWORD stored = 0;
    size = sizeof(stored);
    if (RegQueryValueOfTypeW(key, L"Context", REG_DWORD, reinterpret_cast<BYTE*>(&stored), &size) == ERROR_SUCCESS)
        context = stored;
    RegCloseKey(key);
    if (prefix.empty() || library.empty() || indexResult != ERROR_SUCCESS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return RegisterDevice(prefix.c_str(), index, library.c_str(), context);
}

BOOL DeactivateDevice(HANDLE device) { return DeregisterDevice(device); }
