#pragma once
// The reply to a service-search-attribute request, as the engine receives it from a remote
// device: one data element, a sequence holding one attribute list (itself a sequence) per
// matching record. These checks run on untrusted bytes before anything else looks at them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bluetooth/sdp_record.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// True when the buffer is exactly one well-formed sequence whose every child is a sequence;
// `count` (may be null) gets the number of children. An empty outer sequence counts as 0.
bool VerifySequenceOfSequences(const std::uint8_t* data, std::size_t size, std::size_t* count);

// Parses every attribute list of such a reply. All or nothing: `out` is replaced only when the
// stream verifies and every list is a proper record (see Record::FromElement).
bool RetrieveRecords(const std::uint8_t* data, std::size_t size, std::vector<Record>* out);

}  // namespace sdp

#pragma GCC visibility pop
