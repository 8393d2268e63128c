#pragma once
// Bluetooth UUIDs as SDP carries them: 16 bytes, most significant first. The 16- and 32-bit
// short forms are offsets into the Bluetooth base UUID 00000000-0000-1000-8000-00805F9B34FB.
#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    // The base UUID with its first 32 bits replaced by `value` (0x1101 -> 00001101-0000-...).
    static constexpr Uuid FromShort(std::uint32_t value) {
        Uuid u;
        u.bytes = {0, 0, 0, 0, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};
        for (int i = 0; i < 4; ++i) u.bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
        return u;
    }

    // The 16- or 32-bit value when this UUID lies in the base range.
    std::optional<std::uint32_t> ToShort() const;

    // "00001101-0000-1000-8000-00805F9B34FB", either case, optionally in braces.
    static std::optional<Uuid> FromString(std::string_view text);
    // Upper-case, no braces.
    std::string ToString() const;

    // GUID fields are host numbers; Data1..Data3 map to the leading bytes most significant first.
    static Uuid FromGuid(const GUID& guid);
    GUID ToGuid() const;

    friend auto operator<=>(const Uuid&, const Uuid&) = default;
    friend bool operator==(const Uuid&, const Uuid&) = default;
};

// The UUIDs Nimbrel's profiles use.
namespace uuids {
inline constexpr Uuid kL2cap = Uuid::FromShort(0x0100);
inline constexpr Uuid kRfcomm = Uuid::FromShort(0x0003);
inline constexpr Uuid kObex = Uuid::FromShort(0x0008);
inline constexpr Uuid kSerialPort = Uuid::FromShort(0x1101);
inline constexpr Uuid kDialupNetworking = Uuid::FromShort(0x1103);
inline constexpr Uuid kObexObjectPush = Uuid::FromShort(0x1105);
inline constexpr Uuid kObexFileTransfer = Uuid::FromShort(0x1106);
inline constexpr Uuid kHeadset = Uuid::FromShort(0x1108);
inline constexpr Uuid kHandsfree = Uuid::FromShort(0x111E);
inline constexpr Uuid kPublicBrowseGroup = Uuid::FromShort(0x1002);
}  // namespace uuids

}  // namespace sdp

#pragma GCC visibility pop
