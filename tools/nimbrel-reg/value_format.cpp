#include "tools/nimbrel-reg/value_format.h"

#include <cinttypes>
#include <cstdio>

#include "platform/registry/registry_unicode.h"
#include "platform/text/utf.h"
#include "tools/nimbrel-reg/registry_text.h"
#include "tools/nimbrel-reg/registry_text_syntax.h"

namespace nimbrel_reg {
namespace {

using platform::registry::RegValue;

// A 4- or 8-byte little-endian number in decimal and hex; other sizes as bytes.
std::string Number(const std::vector<BYTE>& data) {
    if (data.size() != 4 && data.size() != 8) return HexBytes(data, ' ');
    std::uint64_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;) number = (number << 8) | data[i];
    char text[48];
    if (data.size() == 4)
        std::snprintf(text, sizeof text, "%" PRIu64 " (0x%08" PRIx64 ")", number, number);
    else
        std::snprintf(text, sizeof text, "%" PRIu64 " (0x%016" PRIx64 ")", number, number);
    return text;
}

// The strings of a text value: split at terminators, the final ones dropped.
std::vector<std::wstring> Strings(const RegValue& value) {
    std::wstring text = platform::registry::DecodeUtf16(value.data.data(), value.data.size());
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    std::vector<std::wstring> strings;
    if (value.type == REG_MULTI_SZ && text.empty()) return strings;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\0', start)) != std::wstring::npos; start = end + 1)
        strings.push_back(text.substr(start, end - start));
    strings.push_back(text.substr(start));
    if (value.type != REG_MULTI_SZ) strings.resize(1);
    return strings;
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        default: return "type " + std::to_string(type);
    }
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

}  // namespace

std::string ValueText(const RegValue& value) {
    if (value.type == REG_DWORD) return Number(value.data);
    if (!platform::registry::IsStringType(value.type)) return HexBytes(value.data, ' ');
    std::string text;
    for (const auto& line : Strings(value)) text += (text.empty() ? "" : "\n") + platform::Utf8FromWide(line);
    return text;
}

std::string ValueLine(const RegValue& value) {
    std::string shown;
    if (platform::registry::IsStringType(value.type)) {
        for (const auto& text : Strings(value)) shown += (shown.empty() ? "" : ", ") + Quote(text);
    } else {
        shown = ValueText(value);
    }
    std::string name = value.name.empty() ? "(Default)" : platform::Utf8FromWide(value.name);
    return "    " + Padded(name, 28) + " " + Padded(TypeName(value.type), 14) + " " + shown;
}

}  // namespace nimbrel_reg
