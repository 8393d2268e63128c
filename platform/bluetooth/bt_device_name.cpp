#include "platform/bluetooth/bt_device_name.h"

#include <cstdint>

#include "platform/registry/registry.h"

namespace bth {
namespace {

std::size_t Utf8Length(wchar_t c) {
    const auto code = static_cast<std::uint32_t>(c);
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

}  // namespace

std::wstring CutDeviceName(std::wstring_view name) {
    std::size_t bytes = 0, kept = 0;
    for (; kept < name.size(); ++kept) {
        bytes += Utf8Length(name[kept]);
        if (bytes > kMaxDeviceNameBytes) break;
    }
    return std::wstring(name.substr(0, kept));
}

void WriteLocalDeviceName(std::wstring_view name, bool replace) {
    if (name.empty()) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (replace || RegQueryValueExW(key, L"Name", nullptr, nullptr, nullptr, &size) == ERROR_FILE_NOT_FOUND) {
        const std::wstring text = CutDeviceName(name);
        RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), RegStringSize(text.c_str()));
    }
    RegCloseKey(key);
}

}  // namespace bth
