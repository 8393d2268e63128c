#pragma once

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)
// Reading hexadecimal digits, wherever text holds numbers or bytes in hex.
namespace platform {

// 0 to 15 for a hex digit of either case, -1 for anything else.
constexpr int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace platform

#pragma GCC visibility pop
