#pragma once
// A C++ face on the registry calls for tools: an owning key handle and whole values as bytes.
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

struct RegValue {
    std::wstring name;  // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // as stored: UTF-16LE for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

// What a REG_SZ value of text holds: its UTF-16LE and a terminator.
std::vector<BYTE> StringData(std::wstring_view text);
// What a REG_MULTI_SZ value of these strings holds: each with its terminator, then one more.
std::vector<BYTE> MultiStringData(const std::vector<std::wstring>& strings);

class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    // path is split at backslashes; an empty path opens parent itself.
    static LONG Open(HKEY parent, const std::wstring& path, RegKey* key);
    static LONG Create(HKEY parent, const std::wstring& path, RegKey* key);

    HKEY get() const { return handle_; }

    LONG Read(const std::wstring& name, RegValue* value) const;
    LONG Write(const RegValue& value) const;
    LONG Values(std::vector<RegValue>* values) const;
    LONG Subkeys(std::vector<std::wstring>* names) const;

private:
    void Close();
    HKEY handle_ = nullptr;
};

}  // namespace platform::registry

#pragma GCC visibility pop
