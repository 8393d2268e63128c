#pragma once
// The server side of SDP searches, as the simulated radio answers them from its record database.
#include <cstdint>
#include <vector>

#include "platform/bluetooth/sdp_record.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// True when any attribute value of the record holds `uuid`, at any depth and any UUID width.
// This is how a service search pattern matches a record.
bool RecordContainsUuid(const Record& record, const Uuid& uuid);

// Inclusive range of attribute ids; a single id is a range with first == last.
struct AttributeRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0xFFFF;
};

// The attribute lists of a service-search-attribute reply: one per record (database order)
// holding every UUID of `pattern`, each keeping the attributes inside any of `ranges`. A matching
// record with no attribute in range still gets its (empty) list. An empty pattern matches every
// record; rejecting such a request is the caller's job.
DataElement AnswerServiceSearchAttribute(const std::vector<Record>& database, const std::vector<Uuid>& pattern,
                                         const std::vector<AttributeRange>& ranges);
DataElement AnswerServiceSearchAttribute(const std::vector<Record>& database, const std::vector<Uuid>& pattern,
                                         std::uint16_t minAttr, std::uint16_t maxAttr);

}  // namespace sdp

#pragma GCC visibility pop
