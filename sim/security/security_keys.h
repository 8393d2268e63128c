#pragma once
// The paired devices of a world, written to the stack's security store.
#include <string>
#include <vector>

#include "platform/kernel/types.h"
#include "sim/world/world.h"

namespace sim {

// Deletes the values named in `previous` (what the last world wrote; the key's other values
// stay), then writes one for every device with a paired PIN. Returns the names written.
// Registry failures are skipped: a world without its pairings is still a world.
std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices);

}  // namespace sim
