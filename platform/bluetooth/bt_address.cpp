#include "platform/bluetooth/bt_address.h"

#include <cstdio>

namespace bth {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

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
        const int digit = HexValue(text[i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<BT_ADDR>(digit);
    }
    if (address) *address = value;
    return true;
}

}  // namespace bth
