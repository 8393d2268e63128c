#pragma once
// The UTF-16LE bytes the registry stores for string values, from and to the callers' wchar_t
// text. The conversion rules (lone surrogates included) are those of platform/text/utf.h.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

// The value types whose data is text, stored as UTF-16LE.
constexpr bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::vector<BYTE> EncodeUtf16(std::wstring_view text);

// The first byteCount UTF-16 bytes of the wchar_t array at `chars` (which need not be
// aligned): elements are read only while fewer bytes than that have been produced.
std::vector<BYTE> EncodeUtf16Prefix(const BYTE* chars, std::size_t byteCount);

// Surrogate pairs become one wchar_t; a trailing odd byte is dropped, so the result never
// has more elements than size / 2.
std::wstring DecodeUtf16(const BYTE* bytes, std::size_t size);

}  // namespace platform::registry

#pragma GCC visibility pop
