#pragma once
// The file a control request asks a simulated device to push: read whole by the host, named by
// an absolute path, a regular file of at most kMaxPushedFile bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::uint64_t kMaxPushedFile = 64ull * 1024 * 1024;

// False with a reason for people when the file is not one to push.
bool ReadPushedFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error);

}  // namespace sim
