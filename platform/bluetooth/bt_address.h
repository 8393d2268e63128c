#pragma once
// Bluetooth device addresses as text, in the forms the system writes them. Only the 48 address
// bits are written, most significant first:
//   "00:12:ab:34:cd:56"  six pairs of lower-case digits and colons: what people read and type
//   "0012ab34cd56"       twelve lower-case digits: security-store value names, paired-device
//                        value names, OBEX device properties, folders of the simulated radio
//   "0012AB34CD56"       twelve upper-case digits: registry key names of shortcuts and ports
#include <string>
#include <string_view>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

std::string FormatAddress(BT_ADDR address);         // "00:12:ab:34:cd:56"
std::string AddressDigits(BT_ADDR address);         // "0012ab34cd56"
std::wstring AddressDigitsW(BT_ADDR address);       // L"0012ab34cd56"
std::wstring UpperAddressDigitsW(BT_ADDR address);  // L"0012AB34CD56"

// The text forms a parse accepts; digits of either case in both.
enum class AddressForm {
    Colons,  // six pairs with colons, 17 characters
    Digits,  // twelve digits
};

// Exactly one address in `form`. False (and *address untouched) for anything else.
bool ParseAddress(std::string_view text, BT_ADDR* address, AddressForm form = AddressForm::Colons);
bool ParseAddress(std::wstring_view text, BT_ADDR* address, AddressForm form = AddressForm::Colons);

}  // namespace bth

#pragma GCC visibility pop
