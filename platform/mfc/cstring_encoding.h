#pragma once
// Conversions between the engine's wide text (one wchar_t per Unicode character, UTF-32 on
// Linux) and the encodings found at its borders: UTF-8 on the host, ISO-8859-1 as the
// handheld's 8-bit code page, UTF-16 in the registry and in OBEX. Malformed input never
// fails: each bad sequence, lone surrogate or out-of-range value becomes U+FFFD.
#include <string>
#include <string_view>

namespace platform {

inline constexpr wchar_t kReplacementChar = 0xFFFD;

// True for a Unicode scalar value: at most U+10FFFF and not a surrogate.
constexpr bool IsUnicodeScalar(char32_t c) noexcept { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

// Each maximal ill-formed subsequence of the UTF-8 input becomes one U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view text);

// Surrogate pairs are combined; a lone surrogate becomes U+FFFD.
std::wstring WideFromUtf16(std::u16string_view utf16);
std::u16string Utf16FromWide(std::wstring_view text);

// ISO-8859-1: each byte is the character of the same value; characters above U+00FF
// become '?'.
std::wstring WideFromLatin1(std::string_view bytes);
std::string Latin1FromWide(std::wstring_view text);

}  // namespace platform
