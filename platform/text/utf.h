#pragma once
// Conversions between wide text (one wchar_t per Unicode character, UTF-32 on Linux) and the
// encodings found at the borders: UTF-8 on the host, ISO-8859-1 as the handheld's 8-bit code
// page, UTF-16 in the registry and in OBEX. Nothing here fails, and nothing here depends on
// the process locale or on any other part of the platform.
//
// Lone surrogates: UTF-16 can carry a lone surrogate unit and so can a wchar_t, so between
// the two it passes through unchanged in both directions; text that went into the registry
// comes back exactly, and values written by older builds (which did the same) read as they
// were. A high surrogate wchar_t directly followed by a low one is written as the pair it
// looks like and reads back as one character. UTF-8 cannot carry a surrogate: it becomes
// U+FFFD there. A wchar_t above U+10FFFF (or negative) becomes U+FFFD in every encoding.
#include <cstddef>
#include <string>
#include <string_view>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

inline constexpr wchar_t kReplacementChar = 0xFFFD;

// True for a Unicode scalar value: at most U+10FFFF and not a surrogate.
constexpr bool IsUnicodeScalar(char32_t c) noexcept { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

// Each maximal ill-formed subsequence of the UTF-8 input becomes one U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view text);

// Surrogate pairs are combined; lone surrogates pass through (see above).
std::wstring WideFromUtf16(std::u16string_view utf16);
std::u16string Utf16FromWide(std::wstring_view text);

// How many UTF-16 units Utf16FromWide(text) has: two for each character above U+FFFF.
std::size_t Utf16Length(std::wstring_view text) noexcept;

// ISO-8859-1: each byte is the character of the same value; characters above U+00FF
// become '?'.
std::wstring WideFromLatin1(std::string_view bytes);
std::string Latin1FromWide(std::wstring_view text);

}  // namespace platform

#pragma GCC visibility pop
