#pragma once
// The stack's security store in the registry: HKEY_LOCAL_MACHINE
// "software\microsoft\bluetooth\security" keeps the PIN of every paired device as a
// REG_BINARY value named "pin" followed by the address in 12 hexadecimal digits
// ("pin0012ab34cd56"), and the link key of the pairing as "key" followed by the same digits.
#include <string>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

inline constexpr const wchar_t* kSecurityKey = L"software\\microsoft\\bluetooth\\security";

// Lower-case digits, as the stack writes them.
std::wstring PinValueName(BT_ADDR address);
std::wstring LinkKeyValueName(BT_ADDR address);
// "pin" in either case, optional spaces, then twelve digits of either case, then the end or a
// space. False for any other name.
bool ParsePinValueName(std::wstring_view name, BT_ADDR* address);

}  // namespace bth

#pragma GCC visibility pop
