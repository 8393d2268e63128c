#include "platform/bluetooth/bt_query_search.h"

#include <cstddef>
#include <cstring>

namespace bth {
namespace {

std::optional<sdp::Uuid> ReadUuid(const SdpQueryUuid& entry) {
    switch (entry.uuidType) {
        case SDP_ST_UUID16: return sdp::Uuid::FromShort(entry.u.uuid16);
        case SDP_ST_UUID32: return sdp::Uuid::FromShort(entry.u.uuid32);
        case SDP_ST_UUID128: return sdp::Uuid::FromGuid(entry.u.uuid128);
        default: return std::nullopt;
    }
}

// The UUIDs up to the first entry of type 0; nullopt when one has an unknown type.
std::optional<std::vector<sdp::Uuid>> ReadPattern(const BTHNS_RESTRICTIONBLOB& restriction) {
    std::vector<sdp::Uuid> pattern;
    for (const SdpQueryUuid& entry : restriction.uuids) {
        if (entry.uuidType == 0) break;
        auto uuid = ReadUuid(entry);
        if (!uuid) return std::nullopt;
        pattern.push_back(*uuid);
    }
    return pattern;
}

// numRange ranges from pRange on; the blob must hold them all.
std::optional<std::vector<sdp::AttributeRange>> ReadRanges(const BLOB& blob, ULONG count) {
    constexpr std::size_t kFirst = offsetof(BTHNS_RESTRICTIONBLOB, pRange);
    if (count == 0 || count > (blob.cbSize - kFirst) / sizeof(SdpAttributeRange)) return std::nullopt;
    std::vector<sdp::AttributeRange> ranges;
    for (ULONG i = 0; i < count; ++i) {
        SdpAttributeRange range;
        std::memcpy(&range, blob.pBlobData + kFirst + i * sizeof range, sizeof range);
        if (range.minAttribute > range.maxAttribute) return std::nullopt;
        ranges.push_back({range.minAttribute, range.maxAttribute});
    }
    return ranges;
}

}  // namespace

std::optional<ServiceSearch> ReadServiceSearch(const WSAQUERYSETW& query) {
    if (!query.lpcsaBuffer || !query.lpcsaBuffer->RemoteAddr.lpSockaddr) return std::nullopt;
    const BLOB* blob = query.lpBlob;
    if (!blob || !blob->pBlobData || blob->cbSize < sizeof(BTHNS_RESTRICTIONBLOB)) return std::nullopt;
    BTHNS_RESTRICTIONBLOB restriction;
    std::memcpy(&restriction, blob->pBlobData, sizeof restriction);
    if (restriction.type != SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST) return std::nullopt;

    ServiceSearch search;
    search.target = query.lpcsaBuffer->RemoteAddr.lpSockaddr->btAddr;
    auto pattern = ReadPattern(restriction);
    auto ranges = ReadRanges(*blob, restriction.numRange);
    if (!pattern || pattern->empty() || !ranges) return std::nullopt;
    search.pattern = std::move(*pattern);
    search.ranges = std::move(*ranges);
    return search;
}

}  // namespace bth

namespace bth {

std::optional<RecordPublication> ReadRecordPublication(const WSAQUERYSETW& query, bool withRecord) {
    constexpr std::size_t kHeader = offsetof(BTHNS_SETBLOB, pRecord);
    const BLOB* blob = query.lpBlob;
    if (!blob || !blob->pBlobData || blob->cbSize < kHeader) return std::nullopt;
    BTHNS_SETBLOB head;
    std::memcpy(&head, blob->pBlobData, kHeader);
    if (!head.pRecordHandle) return std::nullopt;
    RecordPublication publication;
    publication.handle = head.pRecordHandle;
    if (withRecord) {
        if (head.ulRecordLength == 0 || head.ulRecordLength > blob->cbSize - kHeader) return std::nullopt;
        const BYTE* record = blob->pBlobData + kHeader;
        publication.record.assign(record, record + head.ulRecordLength);
    }
    return publication;
}

}  // namespace bth
