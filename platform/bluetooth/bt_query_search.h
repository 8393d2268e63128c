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

namespace bth {

// What a set-service request asks: publish a record, or delete the record of a handle. The
// handle variable is the caller's, written back after a publication.
struct RecordPublication {
    ULONG* handle = nullptr;
    std::vector<std::uint8_t> record;  // empty for a deletion
};

// Reads the query set's set blob. Nullopt for a missing pointer or handle variable, or a
// record that does not fit inside the blob's stated size.
std::optional<RecordPublication> ReadRecordPublication(const WSAQUERYSETW& query, bool withRecord);

}  // namespace bth
