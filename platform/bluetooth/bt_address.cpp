#include "platform/bluetooth/bt_address.h"

#include <cstdint>

#include "platform/text/hex.h"

namespace bth {
namespace {

constexpr std::size_t kDigits = 12;
constexpr std::size_t kColonFormLength = 17;
constexpr BT_ADDR kAddressBits = 0xFFFFFFFFFFFFull;

// The twelve digits of the address, with a colon between pairs when asked.
template <typename Char>
std::basic_string<Char> Format(BT_ADDR address, const char* digits, bool colons) {
    std::basic_string<Char> text;
    for (int digit = static_cast<int>(kDigits) - 1; digit >= 0; --digit) {
        text += static_cast<Char>(digits[(address >> (4 * digit)) & 0xF]);
        if (colons && digit % 2 == 0 && digit > 0) text += static_cast<Char>(':');
    }
    return text;
}

constexpr const char* kLower = "0123456789abcdef";
constexpr const char* kUpper = "0123456789ABCDEF";

template <typename Char>
bool Parse(std::basic_string_view<Char> text, BT_ADDR* address, AddressForm form) {
    const bool colons = form == AddressForm::Colons;
    if (text.size() != (colons ? kColonFormLength : kDigits)) return false;
    BT_ADDR value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Char c = text[i];
        if (colons && i % 3 == 2) {
            if (c != static_cast<Char>(':')) return false;
            continue;
        }
        const int digit = static_cast<std::uint32_t>(c) < 0x80 ? platform::HexDigitValue(static_cast<char>(c)) : -1;
        if (digit < 0) return false;
        value = (value << 4) | static_cast<BT_ADDR>(digit);
    }
    if (address) *address = value & kAddressBits;
    return true;
}

}  // namespace

std::string FormatAddress(BT_ADDR address) { return Format<char>(address, kLower, true); }
std::string AddressDigits(BT_ADDR address) { return Format<char>(address, kLower, false); }
std::wstring AddressDigitsW(BT_ADDR address) { return Format<wchar_t>(address, kLower, false); }
std::wstring UpperAddressDigitsW(BT_ADDR address) { return Format<wchar_t>(address, kUpper, false); }

bool ParseAddress(std::string_view text, BT_ADDR* address, AddressForm form) { return Parse(text, address, form); }
bool ParseAddress(std::wstring_view text, BT_ADDR* address, AddressForm form) { return Parse(text, address, form); }

}  // namespace bth
