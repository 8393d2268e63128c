#pragma once
// Conversions between wchar_t text (UTF-32 on this host), the UTF-16LE bytes the registry
// stores for string values, and the UTF-8 used for names in the file and on the command line.
// None of them fails: what cannot be represented becomes U+FFFD, and lone surrogates pass
// through unchanged so that any stored string comes back as it went in.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mfc/cstring_encoding.h"
#include "platform/registry/registry.h"

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

// Names and text at the file and command-line borders: the platform's one UTF-8 conversion.
inline std::string WideToUtf8(std::wstring_view text) { return Utf8FromWide(text); }
inline std::wstring Utf8ToWide(std::string_view text) { return WideFromUtf8(text); }

}  // namespace platform::registry
