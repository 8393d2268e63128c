#include "tools/nimbrel-reg/arguments.h"

#include "platform/registry/registry_names.h"
#include "platform/text/hex.h"
#include "platform/text/utf.h"

namespace nimbrel_reg {

std::vector<std::wstring> KeyArgument(std::string_view text) {
    return platform::registry::MachineKeyPath(platform::WideFromUtf8(text), true);
}

std::optional<DWORD> DwordArgument(std::string_view text) {
    unsigned base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t number = 0;
    for (char c : text) {
        int digit = platform::HexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
        number = number * base + static_cast<unsigned>(digit);
        if (number > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<DWORD>(number);
}

std::optional<std::vector<BYTE>> HexArgument(std::string_view text) {
    constexpr std::string_view kSeparators = " \t,:";
    std::vector<BYTE> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (kSeparators.find(text[i]) != std::string_view::npos) {
            ++i;
            continue;
        }
        // A group of digits between separators holds whole bytes.
        std::size_t end = text.find_first_of(kSeparators, i);
        std::string_view group = text.substr(i, end == std::string_view::npos ? end : end - i);
        if (group.size() % 2 != 0) return std::nullopt;
        for (std::size_t k = 0; k < group.size(); k += 2) {
            int high = platform::HexDigitValue(group[k]);
            int low = platform::HexDigitValue(group[k + 1]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes.push_back(static_cast<BYTE>(high * 16 + low));
        }
        i += group.size();
    }
    return bytes;
}

}  // namespace nimbrel_reg
