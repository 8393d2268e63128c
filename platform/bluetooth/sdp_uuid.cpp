#include "platform/bluetooth/sdp_uuid.h"

#include <algorithm>

namespace sdp {
namespace {

// Byte offsets of the dashes in the 36-character text form.
constexpr std::array<std::size_t, 4> kDashes = {8, 13, 18, 23};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint32_t First32(const std::array<std::uint8_t, 16>& bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

}  // namespace

std::optional<std::uint32_t> Uuid::ToShort() const {
    const Uuid base = FromShort(0);
    if (!std::equal(bytes.begin() + 4, bytes.end(), base.bytes.begin() + 4)) return std::nullopt;
    return First32(bytes);
}

std::optional<Uuid> Uuid::FromString(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36) return std::nullopt;
    Uuid u;
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (std::find(kDashes.begin(), kDashes.end(), i) != kDashes.end()) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const int hi = HexValue(text[i]);
        const int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        u.bytes[out++] = static_cast<std::uint8_t>(hi << 4 | lo);
        i += 2;
    }
    return u;
}

std::string Uuid::ToString() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

Uuid Uuid::FromGuid(const GUID& guid) {
    Uuid u = FromShort(guid.Data1);  // Data1 big-endian in front; the rest is overwritten
    u.bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    u.bytes[5] = static_cast<std::uint8_t>(guid.Data2);
    u.bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    u.bytes[7] = static_cast<std::uint8_t>(guid.Data3);
    std::copy(std::begin(guid.Data4), std::end(guid.Data4), u.bytes.begin() + 8);
    return u;
}

GUID Uuid::ToGuid() const {
    GUID guid{};
    guid.Data1 = First32(bytes);
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    std::copy(bytes.begin() + 8, bytes.end(), std::begin(guid.Data4));
    return guid;
}

}  // namespace sdp
