#pragma once
// What an SDP lookup asks: the device to ask and its search-attribute restriction.
#include <optional>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_namespace.h"

namespace bth {

// Reads the target (the first remote address of the query) and the restriction blob (a
// service-search-attribute request). Nullopt for a missing pointer, a blob shorter than its
// header and ranges, another request type, an unknown UUID type, no UUID, no range or a range
// running backwards. The blob may be unaligned: it is copied, never cast.
std::optional<ServiceSearch> ReadServiceSearch(const WSAQUERYSETW& query);

}  // namespace bth
