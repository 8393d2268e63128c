#pragma once
// An SDP service record: attribute values keyed by 16-bit attribute id. On the wire a record is
// an attribute list, a sequence of (uint16 id, value) pairs with the ids strictly ascending.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/bluetooth/sdp_element.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// Attribute ids Nimbrel reads or writes.
namespace attr {
inline constexpr std::uint16_t kServiceRecordHandle = 0x0000;
inline constexpr std::uint16_t kServiceClassIdList = 0x0001;
inline constexpr std::uint16_t kProtocolDescriptorList = 0x0004;
inline constexpr std::uint16_t kBrowseGroupList = 0x0005;
inline constexpr std::uint16_t kBluetoothProfileDescriptorList = 0x0009;
// Service name under the primary language base (0x0100) plus its offset 0.
inline constexpr std::uint16_t kServiceName = 0x0100;
}  // namespace attr

class Record {
public:
    using Attributes = std::map<std::uint16_t, DataElement>;

    // Reads an attribute list; nullopt unless `list` is a sequence of uint16 id / value pairs
    // with strictly ascending ids.
    static std::optional<Record> FromElement(const DataElement& list);

    // Null when the record lacks the attribute. The pointer lives until the record changes.
    const DataElement* Get(std::uint16_t id) const;
    bool Has(std::uint16_t id) const { return attributes_.contains(id); }
    void Set(std::uint16_t id, DataElement value) { attributes_.insert_or_assign(id, std::move(value)); }
    bool Remove(std::uint16_t id) { return attributes_.erase(id) != 0; }
    const Attributes& attributes() const { return attributes_; }

    // The attribute list, ids ascending.
    DataElement ToElement() const;
    std::vector<std::uint8_t> Encode() const;

    friend bool operator==(const Record&, const Record&) = default;

private:
    Attributes attributes_;
};

// True when `stream` is exactly one encoded attribute list a record can be read from: what a
// local SDP database takes for publication.
bool IsRecordStream(const std::vector<std::uint8_t>& stream);

}  // namespace sdp

#pragma GCC visibility pop
