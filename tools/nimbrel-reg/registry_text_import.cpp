// Reading the text form of registry_text.h, and applying it.
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/registry_names.h"
#include "platform/text/hex.h"
#include "platform/text/utf.h"
#include "tools/nimbrel-reg/registry_text.h"
#include "tools/nimbrel-reg/registry_text_syntax.h"

namespace nimbrel_reg {
namespace {

using platform::HexDigitValue;
using platform::registry::JoinKeyPath;
using platform::registry::MachineKeyPath;
using platform::registry::MultiStringData;
using platform::registry::RegKey;
using platform::registry::RegValue;
using platform::registry::StringData;

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool Take(std::string_view& in, std::string_view prefix) {
    if (in.substr(0, prefix.size()) != prefix) return false;
    in.remove_prefix(prefix.size());
    return true;
}

// Up to maxDigits hex digits as a number; false when there are none or too many.
bool TakeNumber(std::string_view& in, std::size_t maxDigits, DWORD* number) {
    std::size_t digits = 0;
    *number = 0;
    while (digits < in.size() && HexDigitValue(in[digits]) >= 0) *number = (*number << 4) | HexDigitValue(in[digits++]);
    in.remove_prefix(digits);
    return digits > 0 && digits <= maxDigits;
}

// "31,32,33" (spaces allowed around the commas; may be empty): all of `in`.
bool TakeBytes(std::string_view in, std::vector<BYTE>* bytes) {
    in = Trim(in);
    while (!in.empty()) {
        if (in.size() < 2 || HexDigitValue(in[0]) < 0 || HexDigitValue(in[1]) < 0) return false;
        bytes->push_back(static_cast<BYTE>(HexDigitValue(in[0]) * 16 + HexDigitValue(in[1])));
        in = Trim(in.substr(2));
        if (!in.empty() && !(Take(in, ",") && !(in = Trim(in)).empty())) return false;
    }
    return true;
}

// "a","b" (may be empty): all of `in`.
bool TakeStrings(std::string_view in, std::vector<std::wstring>* strings) {
    in = Trim(in);
    while (!in.empty()) {
        std::wstring text;
        if (!Unquote(in, &text)) return false;
        strings->push_back(std::move(text));
        in = Trim(in);
        if (!in.empty() && !(Take(in, ",") && !(in = Trim(in)).empty())) return false;
    }
    return true;
}

// The data after '='; an empty message when it parses.
std::string ParseData(std::string_view in, TextChange* change) {
    RegValue& value = change->value;
    change->kind = TextChange::Kind::SetValue;
    if (in == "-") {
        change->kind = TextChange::Kind::DeleteValue;
    } else if (Take(in, "dword:")) {
        DWORD number = 0;
        if (!TakeNumber(in, 8, &number) || !in.empty()) return "dword: takes 1 to 8 hex digits";
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<BYTE>(number >> shift));
    } else if (Take(in, "hex:")) {
        value.type = REG_BINARY;
        if (!TakeBytes(in, &value.data)) return "hex: takes bytes as two hex digits each, separated by commas";
    } else if (Take(in, "hex(")) {
        if (!TakeNumber(in, 8, &value.type) || !Take(in, "):")) return "hex(N): takes the type number in hex";
        if (!TakeBytes(in, &value.data)) return "hex(N): takes bytes as two hex digits each, separated by commas";
    } else if (Take(in, "multi:")) {
        std::vector<std::wstring> strings;
        if (!TakeStrings(in, &strings)) return "multi: takes quoted strings separated by commas";
        value.type = REG_MULTI_SZ;
        value.data = MultiStringData(strings);
    } else {
        value.type = Take(in, "expand:") ? REG_EXPAND_SZ : REG_SZ;
        std::wstring text;
        if (!Unquote(in, &text) || !Trim(in).empty())
            return "expected a quoted string, dword:, hex:, hex(N):, expand:, multi: or - after '='";
        value.data = StringData(text);
    }
    return {};
}

// One line that is neither blank nor a comment. `current` is the key values go to.
std::string ParseLine(std::string_view text, std::optional<std::vector<std::wstring>>* current,
                      std::vector<TextChange>* changes) {
    if (text.front() == '[') {
        if (text.back() != ']') return "a key line must end with ']'";
        std::string_view inner = text.substr(1, text.size() - 2);
        TextChange change;
        change.kind = Take(inner, "-") ? TextChange::Kind::DeleteKey : TextChange::Kind::CreateKey;
        change.key = MachineKeyPath(platform::WideFromUtf8(inner), false);
        // The registry takes names up to their first NUL: "a<NUL>\b" would be key "a".
        for (const auto& name : change.key)
            if (name.find(L'\0') != std::wstring::npos) return "a key name cannot hold a NUL character";
        if (change.kind == TextChange::Kind::DeleteKey && change.key.empty())
            return "HKEY_LOCAL_MACHINE itself cannot be deleted";
        *current = change.kind == TextChange::Kind::CreateKey ? std::optional(change.key) : std::nullopt;
        changes->push_back(std::move(change));
        return {};
    }
    TextChange change;
    if (!Take(text, "@") && !Unquote(text, &change.value.name)) return "expected [key], \"name\"=data or @=data";
    // As for keys: "a\x00b" would set or delete the value "a".
    if (change.value.name.find(L'\0') != std::wstring::npos) return "a value name cannot hold a NUL character";
    text = Trim(text);
    if (!Take(text, "=")) return "expected '=' after the value name";
    if (!*current) return "a value needs a [key] line before it";
    change.key = **current;
    if (std::string message = ParseData(Trim(text), &change); !message.empty()) return message;
    changes->push_back(std::move(change));
    return {};
}

}  // namespace

bool ParseText(std::istream& in, std::vector<TextChange>* changes, TextError* error) {
    changes->clear();
    std::optional<std::vector<std::wstring>> current;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string_view text = Trim(line);
        if (number == 1) Take(text, "\xEF\xBB\xBF");  // a byte-order mark some editors add
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (std::string message = ParseLine(text, &current, changes); !message.empty()) {
            *error = {number, message};
            return false;
        }
    }
    if (in.bad()) {
        *error = {0, "the text could not be read"};
        return false;
    }
    return true;
}

LONG ApplyText(const std::vector<TextChange>& changes) {
    RegKey key;
    std::optional<std::vector<std::wstring>> opened;  // the path `key` is open at
    for (const auto& change : changes) {
        LONG result = ERROR_SUCCESS;
        if (change.kind == TextChange::Kind::DeleteKey) {
            key = RegKey();
            opened.reset();
            result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, JoinKeyPath(change.key).c_str());
        } else if (opened != change.key) {
            result = RegKey::Create(HKEY_LOCAL_MACHINE, JoinKeyPath(change.key), &key);
            opened = change.key;
        }
        if (result == ERROR_SUCCESS && change.kind == TextChange::Kind::SetValue) result = key.Write(change.value);
        if (result == ERROR_SUCCESS && change.kind == TextChange::Kind::DeleteValue)
            result = RegDeleteValueW(key.get(), change.value.name.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return result;
    }
    return ERROR_SUCCESS;
}

}  // namespace nimbrel_reg
