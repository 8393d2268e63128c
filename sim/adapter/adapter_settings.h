#pragma once
// What the user switches on the simulated adapter (its power and its scan mask) outlives the
// process, as a real adapter's does: every host process has a radio of its own, and the next
// one starts as the last one left it. The values live under HKEY_LOCAL_MACHINE
// "software\microsoft\bluetooth\simulated radio", beside the stack's security key.
#include <cstdint>
#include <optional>

#include "platform/kernel/types.h"

namespace sim {

struct StoredAdapterSettings {
    std::optional<bool> powered;           // "Powered", REG_DWORD 0 or 1
    std::optional<std::uint8_t> scanMask;  // "ScanMask", REG_DWORD 0 to 3
};

// What an earlier run stored; a value that is absent or not one of the above is not there.
StoredAdapterSettings ReadStoredAdapterSettings();
DWORD StorePowered(bool on);
DWORD StoreScanMask(std::uint8_t mask);

}  // namespace sim
