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


}  // namespace platform::registry
