#include "platform/text/utf.h"

#include <type_traits>

namespace platform {
namespace {

// A wchar_t is signed on Linux; negative values are not characters.
char32_t CodeOf(wchar_t c) noexcept { return static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c)); }

char32_t ScalarOrReplacement(wchar_t c) noexcept {
    const char32_t code = CodeOf(c);
    return IsUnicodeScalar(code) ? code : kReplacementChar;
}

// What UTF-16 writes for c: the character itself (a lone surrogate included) or U+FFFD.
char32_t Utf16Encodable(wchar_t c) noexcept {
    const char32_t code = CodeOf(c);
    return code < 0x110000 ? code : kReplacementChar;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i++]);
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            continue;
        }
        // Expected continuation count and the allowed range of the first continuation byte,
        // which rules out overlong forms, surrogates and values above U+10FFFF.
        int continuations = 0;
        unsigned char low = 0x80, high = 0xBF;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuations = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuations = 2;
            code = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuations = 3;
            code = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out += kReplacementChar;
            continue;
        }
        bool complete = true;
        for (int k = 0; k < continuations; ++k) {
            const auto next = i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0;
            if (i >= utf8.size() || next < low || next > high) {
                complete = false;  // the offending byte starts the next sequence
                break;
            }
            code = (code << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++i;
        }
        out += complete ? static_cast<wchar_t>(code) : kReplacementChar;
    }
    return out;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const char32_t code = ScalarOrReplacement(c);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::wstring WideFromUtf16(std::u16string_view utf16) {
    std::wstring out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            out += static_cast<wchar_t>(unit);  // a lone surrogate too
        }
    }
    return out;
}

std::u16string Utf16FromWide(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const char32_t code = Utf16Encodable(c);
        if (code < 0x10000) {
            out += static_cast<char16_t>(code);
        } else {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::size_t Utf16Length(std::wstring_view text) noexcept {
    std::size_t units = text.size();
    for (wchar_t c : text) units += Utf16Encodable(c) >= 0x10000 ? 1 : 0;
    return units;
}

std::wstring WideFromLatin1(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char b : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(b));
    return out;
}

std::string Latin1FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out += CodeOf(c) <= 0xFF ? static_cast<char>(CodeOf(c)) : '?';
    return out;
}

}  // namespace platform
