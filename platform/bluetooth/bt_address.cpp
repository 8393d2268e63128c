#include "platform/bluetooth/bt_address.h"

#include <cstdio>

#include "platform/text/hex.h"

namespace bth {

std::string FormatAddress(BT_ADDR address) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", unsigned(address >> 40) & 0xFF,
                  unsigned(address >> 32) & 0xFF, unsigned(address >> 24) & 0xFF, unsigned(address >> 16) & 0xFF,
                  unsigned(address >> 8) & 0xFF, unsigned(address) & 0xFF);
    return text;
}

bool ParseAddress(std::string_view text, BT_ADDR* address) {
    if (text.size() != 17) return false;
    BT_ADDR value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % 3 == 2) {
            if (text[i] != ':') return false;
            continue;
        }
        const int digit = platform::HexDigitValue(text[i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<BT_ADDR>(digit);
    }
    if (address) *address = value;
    return true;
}

}  // namespace bth
