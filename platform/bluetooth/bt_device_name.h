#pragma once
// Names of remote devices: at most 248 bytes of UTF-8 on the air.
#include <string>
#include <string_view>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

inline constexpr std::size_t kMaxDeviceNameBytes = 248;

// The longest prefix of `name` whose UTF-8 form fits kMaxDeviceNameBytes; characters are
// never split.
std::wstring CutDeviceName(std::wstring_view name);

// The local device's name, as the handheld keeps it: HKEY_LOCAL_MACHINE "Ident" "Name"
// (REG_SZ), where the engine reads it. An empty name writes nothing; without `replace` a name
// already there stays.
void WriteLocalDeviceName(std::wstring_view name, bool replace);

}  // namespace bth

#pragma GCC visibility pop
