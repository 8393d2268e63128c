#include "sim/adapter/ident.h"

#include "platform/mfc/cstring.h"
#include "platform/registry/registry.h"

namespace sim {

void WriteIdentNameIfAbsent(const std::string& name) {
    if (name.empty()) return;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, L"Name", nullptr, &type, nullptr, &size) == ERROR_FILE_NOT_FOUND) {
        CString text = CString::FromUtf8(name);
        RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()),
                       RegStringSize(text.GetString()));
    }
    RegCloseKey(key);
}

}  // namespace sim
