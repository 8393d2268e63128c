#pragma once
// Bluetooth device addresses as text: six pairs of hexadecimal digits separated by colons,
// most significant first ("00:12:ab:34:cd:56").
#include <string>
#include <string_view>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

// Lower-case digits; only the 48 address bits are written.
std::string FormatAddress(BT_ADDR address);
// Either case; exactly 17 characters. False (and *address untouched) for anything else.
bool ParseAddress(std::string_view text, BT_ADDR* address);

}  // namespace bth

#pragma GCC visibility pop
