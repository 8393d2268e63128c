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

}  // namespace bth

#pragma GCC visibility pop
