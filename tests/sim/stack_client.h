#pragma once
// Talks to the simulated stack the way the engine does: call blocks through "BTD0:".
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/bt_namespace.h"

namespace simtest {


class Stack {
public:
    Stack();
    ~Stack();
    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    // 0 on success, else the request's error.
    DWORD Request(DWORD code, BthCallBlock& block) const;

    DWORD BeginInquiry(HANDLE* lookup) const;
    // An SDP search of `target` for one UUID over the attribute range [first, last].
    DWORD BeginSearch(BT_ADDR target, const SdpQueryUuid& uuid, HANDLE* lookup, WORD first = 0,
                      WORD last = 0xFFFF) const;
    // Next with a buffer of `*length` bytes; `*length` comes back as the stack set it.
    DWORD Next(HANDLE lookup, std::vector<std::uint64_t>& buffer, DWORD* length) const;
    DWORD End(HANDLE lookup) const;
    DWORD Start() const;  // the "card" start request

private:
    HANDLE handle_;
};

SdpQueryUuid Uuid16(WORD value);
SdpQueryUuid Uuid32(ULONG value);
SdpQueryUuid Uuid128(std::uint32_t shortValue);  // the base UUID form of a short one

// The result head of a successful Next.
inline const WSAQUERYSETW& Head(const std::vector<std::uint64_t>& buffer) {
    return *reinterpret_cast<const WSAQUERYSETW*>(buffer.data());
}
// The bytes of the head's blob.
std::vector<std::uint8_t> BlobBytes(const std::vector<std::uint64_t>& buffer);

}  // namespace simtest
