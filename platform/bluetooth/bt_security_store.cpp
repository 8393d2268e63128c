#include "platform/bluetooth/bt_security_store.h"

#include <cwctype>

#include "platform/bluetooth/bt_address.h"

namespace bth {

namespace {

// `prefix` (three letters) and the address in twelve lower-case digits.
std::wstring ValueName(const wchar_t* prefix, BT_ADDR address) { return prefix + AddressDigitsW(address); }

}  // namespace

std::wstring PinValueName(BT_ADDR address) { return ValueName(L"pin", address); }
std::wstring LinkKeyValueName(BT_ADDR address) { return ValueName(L"key", address); }

bool ParsePinValueName(std::wstring_view name, BT_ADDR* address) {
    constexpr std::wstring_view kPrefix = L"pin";
    if (name.size() < kPrefix.size()) return false;
    for (std::size_t i = 0; i < kPrefix.size(); ++i)
        if (std::towlower(static_cast<wint_t>(name[i])) != static_cast<wint_t>(kPrefix[i])) return false;
    std::size_t at = kPrefix.size();
    while (at < name.size() && name[at] == L' ') ++at;
    constexpr std::size_t kDigits = 12;
    BT_ADDR value = 0;
    if (name.size() - at < kDigits || !ParseAddress(name.substr(at, kDigits), &value, AddressForm::Digits))
        return false;
    at += kDigits;
    if (at < name.size() && name[at] != L' ') return false;
    *address = value;
    return true;
}

}  // namespace bth
