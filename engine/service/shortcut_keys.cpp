#include "engine/service/shortcut_keys.h"

#include <string>

#include "platform/bluetooth/bt_address.h"

namespace shortcuts {
namespace {

constexpr std::size_t kAddressDigits = 12;

// One key name from any text: no separator inside, and at most `limit` characters.
CString Label(const CString& text, std::size_t limit) {
    std::wstring label = text.str();
    for (wchar_t& c : label)
        if (c == L'\\') c = L'/';
    if (label.size() > limit) label.resize(limit);
    return CString(label.c_str());
}

CString ServiceKeyName(const CString& serviceName) { return Label(serviceName, kKeyNameCharacters - 1); }

}  // namespace

CString DeviceKeyName(const CString& deviceName, BT_ADDR address) {
    CString name = Label(deviceName, kKeyNameCharacters - 1 - kAddressDigits);
    name += bth::UpperAddressDigitsW(address).c_str();
    return name;
}

CString DeviceKeyPath(const CString& deviceName, BT_ADDR address) {
    return CString(kRootKey) + L"\\" + DeviceKeyName(deviceName, address);
}

CString ServiceKeyPath(const CString& deviceName, BT_ADDR address, const CString& serviceName) {
    return DeviceKeyPath(deviceName, address) + L"\\" + ServiceKeyName(serviceName);
}

}  // namespace shortcuts
