#include "platform/registry/registry_key.h"

#include <utility>

#include "platform/registry/registry_unicode.h"

namespace platform::registry {
namespace {

constexpr DWORD kFirstNameBuffer = 256;

// Calls `read(buffer, &cch)` with a name buffer grown until the name fits.
template <typename Read>
LONG ReadName(std::wstring* name, Read read) {
    std::vector<wchar_t> buffer(kFirstNameBuffer);
    for (;;) {
        auto cch = static_cast<DWORD>(buffer.size());
        LONG result = read(buffer.data(), &cch);
        if (result == ERROR_MORE_DATA && cch > buffer.size()) {
            buffer.resize(cch);
            continue;
        }
        if (result == ERROR_SUCCESS) name->assign(buffer.data(), cch);
        return result;
    }
}

}  // namespace

std::vector<BYTE> StringData(std::wstring_view text) {
    std::vector<BYTE> data = EncodeUtf16(text);
    data.insert(data.end(), {0, 0});
    return data;
}

std::vector<BYTE> MultiStringData(const std::vector<std::wstring>& strings) {
    std::vector<BYTE> data;
    for (const auto& text : strings) {
        std::vector<BYTE> one = StringData(text);
        data.insert(data.end(), one.begin(), one.end());
    }
    data.insert(data.end(), {0, 0});
    return data;
}

RegKey::~RegKey() { Close(); }

RegKey::RegKey(RegKey&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void RegKey::Close() {
    if (handle_) RegCloseKey(handle_);
    handle_ = nullptr;
}

LONG RegKey::Open(HKEY parent, const std::wstring& path, RegKey* key) {
    HKEY handle = nullptr;
    LONG result = RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, &handle);
    if (result == ERROR_SUCCESS) {
        key->Close();
        key->handle_ = handle;
    }
    return result;
}

LONG RegKey::Create(HKEY parent, const std::wstring& path, RegKey* key) {
    HKEY handle = nullptr;
    LONG result = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    if (result == ERROR_SUCCESS) {
        key->Close();
        key->handle_ = handle;
    }
    return result;
}

LONG RegKey::Read(const std::wstring& name, RegValue* value) const {
    for (;;) {
        DWORD size = 0;
        LONG result = RegQueryValueExW(handle_, name.c_str(), nullptr, nullptr, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        // Big enough whether the value comes back as bytes or as wchar_t (its type may change
        // between the two calls), with one spare element for an odd UTF-16 size: declared as
        // room for all of them, it gets the odd last byte.
        std::vector<wchar_t> buffer(size / 2 + 1);
        DWORD type = REG_NONE;
        size = static_cast<DWORD>(buffer.size() * 2);
        result = RegQueryValueExW(handle_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (result == ERROR_MORE_DATA) continue;  // it grew in between
        if (result != ERROR_SUCCESS) return result;
        const auto* bytes = reinterpret_cast<const BYTE*>(buffer.data());
        value->name = name;
        value->type = type;
        value->data = IsStringType(type) ? EncodeUtf16Prefix(bytes, size) : std::vector<BYTE>(bytes, bytes + size);
        return ERROR_SUCCESS;
    }
}

LONG RegKey::Write(const RegValue& value) const {
    const auto size = static_cast<DWORD>(value.data.size());
    if (!IsStringType(value.type))
        return RegSetValueExW(handle_, value.name.c_str(), 0, value.type, value.data.data(), size);
    // Re-encoding walks the text up to `size` bytes. An odd last byte is the low half of one
    // more unit: it goes in as that unit's character (below U+0100, so it pairs with nothing),
    // not as the terminator's first byte.
    std::wstring text = DecodeUtf16(value.data.data(), value.data.size());
    if (value.data.size() % 2 != 0) text += static_cast<wchar_t>(value.data.back());
    return RegSetValueExW(handle_, value.name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(text.c_str()),
                          size);
}

LONG RegKey::Values(std::vector<RegValue>* values) const {
    values->clear();
    for (DWORD index = 0;; ++index) {
        std::wstring name;
        LONG result = ReadName(&name, [&](wchar_t* buffer, DWORD* cch) {
            return RegEnumValueW(handle_, index, buffer, cch, nullptr, nullptr, nullptr, nullptr);
        });
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        RegValue value;
        result = Read(name, &value);
        if (result == ERROR_FILE_NOT_FOUND) continue;  // deleted in between
        if (result != ERROR_SUCCESS) return result;
        values->push_back(std::move(value));
    }
}

LONG RegKey::Subkeys(std::vector<std::wstring>* names) const {
    names->clear();
    for (DWORD index = 0;; ++index) {
        std::wstring name;
        LONG result = ReadName(&name, [&](wchar_t* buffer, DWORD* cch) {
            return RegEnumKeyExW(handle_, index, buffer, cch, nullptr, nullptr, nullptr, nullptr);
        });
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        names->push_back(std::move(name));
    }
}

}  // namespace platform::registry
