#include "platform/bluetooth/bt_security_store.h"

#include <cwchar>
#include <cwctype>

#include "platform/text/hex.h"

namespace bth {

namespace {

// `prefix` (three letters) and the address in twelve lower-case digits.
std::wstring ValueName(const wchar_t* prefix, BT_ADDR address) {
    wchar_t name[16];
    std::swprintf(name, sizeof name / sizeof name[0], L"%ls%012llx", prefix,
                  static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFull));
    return name;
}

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
    BT_ADDR value = 0;
    for (int digit = 0; digit < 12; ++digit, ++at) {
        if (at >= name.size()) return false;
        const wchar_t c = name[at];
        const int v = c < 0x80 ? platform::HexDigitValue(static_cast<char>(c)) : -1;
        if (v < 0) return false;
        value = (value << 4) | static_cast<BT_ADDR>(v);
    }
    if (at < name.size() && name[at] != L' ') return false;
    *address = value;
    return true;
}

}  // namespace bth
