#pragma once
#include <string>

namespace sim {

// The handheld keeps its device name in HKEY_LOCAL_MACHINE "Ident" "Name"; the radio writes
// the adapter's name there when the value is absent (and the name is not empty), as the
// device does on first start.
void WriteIdentNameIfAbsent(const std::string& name);

}  // namespace sim
