// Writing keys and values in the text form of registry_text.h.
#include <cstdio>
#include <ostream>
#include <string>

#include "platform/registry/registry_names.h"
#include "platform/registry/registry_unicode.h"
#include "platform/text/utf.h"
#include "tools/nimbrel-reg/registry_text.h"
#include "tools/nimbrel-reg/registry_text_syntax.h"

namespace nimbrel_reg {
namespace {

using platform::registry::DecodeUtf16;
using platform::registry::IsStringType;
using platform::registry::JoinKeyPath;
using platform::registry::MachineKeyPath;
using platform::registry::MultiStringData;
using platform::registry::RegKey;
using platform::registry::RegValue;
using platform::registry::StringData;

// The strings of a REG_MULTI_SZ as MultiStringData would write them; nothing when the stored
// text is not in that shape.
bool SplitMultiString(const std::wstring& text, std::vector<std::wstring>* strings) {
    if (text.empty() || text.back() != L'\0') return false;
    std::wstring_view body(text.data(), text.size() - 1);
    while (!body.empty()) {
        std::size_t end = body.find(L'\0');
        if (end == std::wstring_view::npos) return false;
        strings->emplace_back(body.substr(0, end));
        body.remove_prefix(end + 1);
    }
    return true;
}

// The readable form of a text value; empty when the bytes would not come back the same.
std::string TextForm(const RegValue& value) {
    std::wstring text = DecodeUtf16(value.data.data(), value.data.size());
    if (value.type == REG_MULTI_SZ) {
        std::vector<std::wstring> strings;
        if (!SplitMultiString(text, &strings) || MultiStringData(strings) != value.data) return {};
        std::string form = "multi:";
        for (std::size_t i = 0; i < strings.size(); ++i) form += (i ? "," : "") + Quote(strings[i]);
        return form;
    }
    if (text.empty()) return {};
    text.pop_back();
    if (StringData(text) != value.data || text.find(L'\0') != std::wstring::npos) return {};
    return (value.type == REG_EXPAND_SZ ? "expand:" : "") + Quote(text);
}

std::string DataForm(const RegValue& value) {
    if (IsStringType(value.type)) {
        if (std::string form = TextForm(value); !form.empty()) return form;
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) | (DWORD{value.data[3]} << 24);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return text;
    } else if (value.type == REG_BINARY) {
        return "hex:" + HexBytes(value.data, ',');
    }
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    return prefix + HexBytes(value.data, ',');
}

// The bracketed path of a key. Written in full when the short form would read differently
// (a leading '-' means deletion, a first name "HKLM" would be taken for the root).
bool Header(const std::vector<std::wstring>& path, std::string* header) {
    for (const auto& name : path)
        for (wchar_t c : name)
            if (c < 0x20 || c == 0x7F) return false;
    std::wstring joined = JoinKeyPath(path);
    if (path.empty() || joined.front() == L'-' || MachineKeyPath(path.front(), false).empty())
        joined = L"HKEY_LOCAL_MACHINE" + (path.empty() ? L"" : L"\\" + joined);
    *header = "[" + platform::Utf8FromWide(joined) + "]";
    return true;
}

LONG ExportKey(std::vector<std::wstring>& path, std::ostream& out) {
    RegKey key;
    LONG result = RegKey::Open(HKEY_LOCAL_MACHINE, JoinKeyPath(path), &key);
    std::string header;
    if (result == ERROR_SUCCESS && !Header(path, &header)) result = ERROR_INVALID_NAME;
    std::vector<RegValue> values;
    if (result == ERROR_SUCCESS) result = key.Values(&values);
    std::vector<std::wstring> subkeys;
    if (result == ERROR_SUCCESS) result = key.Subkeys(&subkeys);
    if (result != ERROR_SUCCESS) return result;

    out << header << '\n';
    for (const auto& value : values)
        out << (value.name.empty() ? std::string("@") : Quote(value.name)) << '=' << DataForm(value) << '\n';
    out << '\n';
    for (const auto& name : subkeys) {
        path.push_back(name);
        result = ExportKey(path, out);
        path.pop_back();
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return result;  // gone meanwhile
    }
    return ERROR_SUCCESS;
}

}  // namespace

std::string HexBytes(const std::vector<BYTE>& data, char separator) {
    std::string text;
    char byte[3];
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) text += separator;
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        text += byte;
    }
    return text;
}

LONG ExportText(const std::vector<std::wstring>& path, std::ostream& out) {
    std::vector<std::wstring> walk = path;
    LONG result = ExportKey(walk, out);
    return out ? result : ERROR_CANTWRITE;
}

}  // namespace nimbrel_reg
