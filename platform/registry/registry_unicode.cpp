#include "platform/registry/registry_unicode.h"

#include <cstring>

namespace platform::registry {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

char32_t CodePoint(wchar_t c) {
    auto value = static_cast<char32_t>(c);
    return value > 0x10FFFF ? kReplacement : value;
}

void PutUnit(std::vector<BYTE>& out, char32_t unit) {
    out.push_back(static_cast<BYTE>(unit & 0xFF));
    out.push_back(static_cast<BYTE>(unit >> 8));
}

void AppendUtf16(std::vector<BYTE>& out, wchar_t c) {
    char32_t cp = CodePoint(c);
    if (cp < 0x10000) {
        PutUnit(out, cp);
    } else {
        cp -= 0x10000;
        PutUnit(out, 0xD800 + (cp >> 10));
        PutUnit(out, 0xDC00 + (cp & 0x3FF));
    }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Length of the UTF-8 sequence led by `lead`, 0 when it cannot lead one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::vector<BYTE> EncodeUtf16(std::wstring_view text) {
    std::vector<BYTE> out;
    out.reserve(text.size() * 2);
    for (wchar_t c : text) AppendUtf16(out, c);
    return out;
}

std::vector<BYTE> EncodeUtf16Prefix(const BYTE* chars, std::size_t byteCount) {
    std::vector<BYTE> out;
    out.reserve(byteCount + 2);
    for (std::size_t i = 0; out.size() < byteCount; ++i) {
        wchar_t c;
        std::memcpy(&c, chars + i * sizeof(wchar_t), sizeof c);
        AppendUtf16(out, c);
    }
    out.resize(byteCount);
    return out;
}

std::wstring DecodeUtf16(const BYTE* bytes, std::size_t size) {
    std::wstring out;
    std::size_t units = size / 2;
    out.reserve(units);
    auto unitAt = [bytes](std::size_t i) { return char32_t{bytes[2 * i]} | (char32_t{bytes[2 * i + 1]} << 8); };
    for (std::size_t i = 0; i < units; ++i) {
        char32_t unit = unitAt(i);
        if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(unit);
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        char32_t cp = CodePoint(c);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    static constexpr char32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = SequenceLength(lead);
        if (length == 0 || i + length > text.size()) {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        char32_t cp = length == 1 ? lead : (lead & (0x7F >> length));
        std::size_t taken = 1;
        for (; taken < length; ++taken) {
            auto next = static_cast<unsigned char>(text[i + taken]);
            if ((next & 0xC0) != 0x80) break;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (taken < length || cp < kLowest[length] || cp > 0x10FFFF) {
            out += static_cast<wchar_t>(kReplacement);
            i += taken;
            continue;
        }
        out += static_cast<wchar_t>(cp);
        i += length;
    }
    return out;
}

}  // namespace platform::registry
