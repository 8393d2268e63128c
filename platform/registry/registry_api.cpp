// The Win32-shaped calls: argument checks, handles, and the conversion between the caller's
// wchar_t strings and the UTF-16 bytes the store keeps.
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/registry_handles.h"
#include "platform/registry/registry_names.h"
#include "platform/registry/registry_store.h"
#include "platform/registry/registry_unicode.h"
#include "platform/text/utf.h"

using namespace platform::registry;

namespace {

std::wstring Name(LPCWSTR name) { return name ? std::wstring(name) : std::wstring(); }

std::vector<std::wstring> Path(LPCWSTR path) { return path ? SplitKeyPath(path) : std::vector<std::wstring>(); }

// The bytes to store for what the caller passed.
std::vector<BYTE> StoredBytes(DWORD type, const BYTE* data, DWORD cbData) {
    if (cbData == 0) return {};
    if (IsStringType(type)) return EncodeUtf16Prefix(data, cbData);
    return std::vector<BYTE>(data, data + cbData);
}

// Hands a stored value to the caller the RegQueryValueExW way.
LONG CopyOut(const StoredValue& value, DWORD* type, BYTE* data, DWORD* cbData) {
    if (type) *type = value.type;
    auto size = static_cast<DWORD>(value.data.size());
    if (!data) {
        if (cbData) *cbData = size;
        return ERROR_SUCCESS;
    }
    const DWORD room = *cbData;
    if (size > room) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    *cbData = size;
    if (IsStringType(value.type)) {
        // At most size / 2 elements, and the caller's buffer holds room / 2 of them. An odd last
        // byte is the low half of one more element, handed out when the buffer holds that one
        // too: a reader that makes room for it (RegKey does) gets back every byte written.
        std::wstring text = DecodeUtf16(value.data.data(), value.data.size());
        if (size % 2 != 0 && text.size() < room / 2) text += static_cast<wchar_t>(value.data.back());
        if (!text.empty()) std::memcpy(data, text.data(), text.size() * sizeof(wchar_t));
    } else if (size > 0) {
        std::memcpy(data, value.data.data(), size);
    }
    return ERROR_SUCCESS;
}

// Hands a name to the caller: it must fit with its terminator.
LONG CopyName(const std::wstring& name, LPWSTR buffer, DWORD* cchBuffer) {
    auto length = static_cast<DWORD>(name.size());
    if (*cchBuffer <= length) {
        *cchBuffer = length + 1;
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    *cchBuffer = length;
    return ERROR_SUCCESS;
}

LONG Resolved(HKEY handle, KeyId* key) { return ResolveKeyHandle(handle, key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }

}  // namespace

DWORD RegStringSize(std::wstring_view text) { return static_cast<DWORD>((platform::Utf16Length(text) + 1) * 2); }

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*cls*/, DWORD /*options*/,
                     DWORD /*samDesired*/, void* /*security*/, HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyId parent = 0, created = 0;
    bool isNew = false;
    LONG error = Resolved(key, &parent);
    if (error == ERROR_SUCCESS) error = StoreCreateKey(parent, Path(subKey), &created, &isNew);
    if (error != ERROR_SUCCESS) return error;
    *result = OpenKeyHandle(created);
    if (disposition) *disposition = isNew ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, DWORD /*samDesired*/, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyId parent = 0, opened = 0;
    LONG error = Resolved(key, &parent);
    if (error == ERROR_SUCCESS) error = StoreOpenKey(parent, Path(subKey), &opened);
    if (error == ERROR_SUCCESS) *result = OpenKeyHandle(opened);
    return error;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD cbData) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (!data && cbData > 0) return ERROR_INVALID_PARAMETER;
    return StoreSetValue(id, Name(valueName), type, StoredBytes(type, data, cbData));
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* /*reserved*/, DWORD* type, BYTE* data, DWORD* cbData) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (data && !cbData) return ERROR_INVALID_PARAMETER;
    StoredValue value;
    LONG error = StoreGetValue(id, Name(valueName), &value);
    return error == ERROR_SUCCESS ? CopyOut(value, type, data, cbData) : error;
}

LONG RegQueryValueOfTypeW(HKEY key, LPCWSTR valueName, DWORD expectedType, BYTE* data, DWORD* cbData) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (data && !cbData) return ERROR_INVALID_PARAMETER;
    StoredValue value;
    LONG error = StoreGetValue(id, Name(valueName), &value);
    if (error != ERROR_SUCCESS) return error;
    if (value.type != expectedType) return ERROR_INVALID_DATA;
    return CopyOut(value, nullptr, data, cbData);
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, DWORD* cchValueName, DWORD* /*reserved*/, DWORD* type,
                   BYTE* data, DWORD* cbData) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (!valueName || !cchValueName || (data && !cbData)) return ERROR_INVALID_PARAMETER;
    StoredValue value;
    if (LONG error = StoreValueAt(id, index, &value); error != ERROR_SUCCESS) return error;
    LONG nameResult = CopyName(value.name, valueName, cchValueName);
    LONG dataResult = CopyOut(value, type, data, cbData);
    return nameResult != ERROR_SUCCESS ? nameResult : dataResult;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD* /*reserved*/, LPWSTR cls, DWORD* cchClass,
                   void* /*lastWriteTime*/) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (!name || !cchName) return ERROR_INVALID_PARAMETER;
    std::wstring subkey;
    if (LONG error = StoreSubkeyAt(id, index, &subkey); error != ERROR_SUCCESS) return error;
    if (cchClass) {
        if (cls && *cchClass > 0) cls[0] = L'\0';
        *cchClass = 0;
    }
    return CopyName(subkey, name, cchName);
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    return StoreDeleteValue(id, Name(valueName));
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    if (!subKey) return ERROR_INVALID_PARAMETER;
    return StoreDeleteKey(id, Path(subKey));
}

LONG RegCloseKey(HKEY key) {
    if (IsRootKeyHandle(key)) return ERROR_SUCCESS;
    return CloseKeyHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key) {
    KeyId id = 0;
    if (LONG error = Resolved(key, &id); error != ERROR_SUCCESS) return error;
    return StoreFlush();
}
