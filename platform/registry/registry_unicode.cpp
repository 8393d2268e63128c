#include "platform/registry/registry_unicode.h"

#include <cstring>

#include "platform/text/utf.h"

namespace platform::registry {
namespace {

void AppendUnits(std::vector<BYTE>& out, std::u16string_view units) {
    for (char16_t unit : units) {
        out.push_back(static_cast<BYTE>(unit & 0xFF));
        out.push_back(static_cast<BYTE>(unit >> 8));
    }
}

}  // namespace

std::vector<BYTE> EncodeUtf16(std::wstring_view text) {
    std::vector<BYTE> out;
    out.reserve(text.size() * 2);
    AppendUnits(out, Utf16FromWide(text));
    return out;
}

std::vector<BYTE> EncodeUtf16Prefix(const BYTE* chars, std::size_t byteCount) {
    std::vector<BYTE> out;
    out.reserve(byteCount + 2);
    for (std::size_t i = 0; out.size() < byteCount; ++i) {
        wchar_t c;
        std::memcpy(&c, chars + i * sizeof(wchar_t), sizeof c);
        AppendUnits(out, Utf16FromWide({&c, 1}));
    }
    out.resize(byteCount);
    return out;
}

std::wstring DecodeUtf16(const BYTE* bytes, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return WideFromUtf16(units);
}

}  // namespace platform::registry
