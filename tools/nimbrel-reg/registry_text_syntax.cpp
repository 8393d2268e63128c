#include "tools/nimbrel-reg/registry_text_syntax.h"

#include "platform/text/hex.h"
#include "platform/text/utf.h"

namespace nimbrel_reg {
namespace {

using platform::HexDigitValue;

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

std::string Quote(std::wstring_view text) {
    std::string quoted = "\"";
    for (char c : platform::Utf8FromWide(text)) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\': quoted += "\\\\"; break;
            case '"': quoted += "\\\""; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    quoted += "\\x";
                    quoted += kHexDigits[byte >> 4];
                    quoted += kHexDigits[byte & 0xF];
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + '"';
}

bool Unquote(std::string_view& in, std::wstring* text) {
    if (in.empty() || in.front() != '"') return false;
    std::string utf8;
    for (std::size_t i = 1; i < in.size(); ++i) {
        char c = in[i];
        if (c == '"') {
            in.remove_prefix(i + 1);
            *text = platform::WideFromUtf8(utf8);
            return true;
        }
        if (c != '\\') {
            utf8 += c;
            continue;
        }
        if (++i == in.size()) return false;
        switch (in[i]) {
            case '\\': utf8 += '\\'; break;
            case '"': utf8 += '"'; break;
            case 'n': utf8 += '\n'; break;
            case 'r': utf8 += '\r'; break;
            case 't': utf8 += '\t'; break;
            case 'x': {
                int high = i + 1 < in.size() ? HexDigitValue(in[i + 1]) : -1;
                int low = i + 2 < in.size() ? HexDigitValue(in[i + 2]) : -1;
                if (high < 0 || low < 0) return false;
                utf8 += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

}  // namespace nimbrel_reg
