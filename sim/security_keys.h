#pragma once
// The stack's security key: HKEY_LOCAL_MACHINE "software\microsoft\bluetooth\security" keeps
// the PIN of every paired device as a REG_BINARY value named "pin" followed by the address in
// 12 lower-case hex digits ("pin0012ab34cd56").
#include <string>
#include <vector>

#include "platform/kernel/types.h"
#include "sim/world.h"

namespace sim {

inline constexpr const wchar_t* kSecurityKey = L"software\\microsoft\\bluetooth\\security";

std::wstring PinValueName(BT_ADDR address);

// Deletes the values named in `previous` (what the last world wrote; the key's other values
// stay), then writes one for every device with a paired PIN. Returns the names written.
// Registry failures are skipped: a world without its pairings is still a world.
std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices);

}  // namespace sim
