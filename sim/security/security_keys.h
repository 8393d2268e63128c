#pragma once
// What pairings leave in the stack's security store: the PIN and the link key of a device.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/types.h"
#include "sim/world/world.h"

namespace sim {

// The link key a pairing with this PIN makes: the same address and PIN always give the same key.
std::array<std::uint8_t, 16> DeriveLinkKey(BT_ADDR address, const std::string& pin);

// Writes the device's PIN and link key values. On success adds their names to `written`, each
// once; on failure writes nothing (a value written first is taken back) and returns the error.
DWORD StorePairing(BT_ADDR address, const std::string& pin, std::vector<std::wstring>* written);

// Deletes one value of the security key: ERROR_NOT_FOUND when there is none.
DWORD DeleteSecurityValue(const std::wstring& name);

// Deletes the values named in `previous` (what the last world wrote; the key's other values
// stay), then stores a pairing for every device with a paired PIN. Returns the names written.
// Registry failures are skipped: a world without its pairings is still a world.
std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices);

}  // namespace sim
