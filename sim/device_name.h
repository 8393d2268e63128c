#pragma once
// The name a remote device announces, as the stack hands it to its callers.
#include <string>
#include <string_view>

namespace sim {

// A device name is at most this many bytes of UTF-8 on the air.
inline constexpr std::size_t kMaxDeviceNameBytes = 248;

// The world's UTF-8 name cut to kMaxDeviceNameBytes at a character boundary, as wide text.
std::wstring AnnouncedName(std::string_view utf8);

}  // namespace sim
