#pragma once
// Bytes a transport received and holds until they are read: the first unread at `readAt`.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace obex {

// Moves as many held bytes as fit into `buffer`; once all are read the buffer starts over.
inline std::size_t TakeHeld(std::vector<std::uint8_t>& held, std::size_t& readAt, std::span<std::uint8_t> buffer) {
    const std::size_t count = std::min(buffer.size(), held.size() - readAt);
    std::memcpy(buffer.data(), held.data() + readAt, count);
    readAt += count;
    if (readAt == held.size()) {
        held.clear();
        readAt = 0;
    }
    return count;
}

}  // namespace obex
