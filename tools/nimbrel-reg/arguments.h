#pragma once
// Reading nimbrel-reg's command-line arguments.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace nimbrel_reg {

// A key under HKEY_LOCAL_MACHINE: '\' or '/' separated, optional "HKLM\" prefix.
std::vector<std::wstring> KeyArgument(std::string_view text);

// Decimal, or hex after "0x"; nothing when it is not a number that fits 32 bits.
std::optional<DWORD> DwordArgument(std::string_view text);

// Bytes as hex digit pairs, optionally grouped with spaces, commas or colons
// ("31323334", "31 32 33 34"); nothing when malformed.
std::optional<std::vector<BYTE>> HexArgument(std::string_view text);

}  // namespace nimbrel_reg
