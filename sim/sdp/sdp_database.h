#pragma once
// The SDP server of a simulated remote device: its records, built from the world's services.
#include <cstdint>
#include <vector>

#include "platform/bluetooth/sdp_record.h"
#include "sim/export.h"
#include "sim/world/world.h"

namespace sim {

// The first record handle a device hands out; the next services count up from it.
inline constexpr std::uint32_t kFirstRecordHandle = 0x10000;

// One RFCOMM record per service, in the world's order: the profile's service class, its
// channel (services without one get the lowest channels no other service uses), its name (the
// profile's usual name when the world gives none) and a profile descriptor.
NIMBREL_SIM_API std::vector<sdp::Record> BuildSdpDatabase(const std::vector<WorldService>& services);

}  // namespace sim
