#pragma once
// Writes one lookup result into the caller's buffer: a WSAQUERYSETW head followed by
// everything it points to, all inside the buffer, so the caller can copy or free it whole.
#include <cstdint>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_namespace.h"

namespace bth {

// Both return ERROR_SUCCESS, WSAEFAULT with *length set to the size needed when the buffer is
// missing or shorter than that, or WSAEINVAL for a buffer not aligned for a WSAQUERYSETW.
// On success *length is left as it was.

// The name, one remote address (a SOCKADDR_BTH) and a blob holding a BthInquiryResult.
DWORD WriteInquiryResult(const InquiryDevice& device, WSAQUERYSETW* buffer, DWORD* length);
// A blob holding the raw SDP response stream.
DWORD WriteServiceSearchResult(const std::vector<std::uint8_t>& response, WSAQUERYSETW* buffer, DWORD* length);

}  // namespace bth
