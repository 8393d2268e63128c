#pragma once
// A local SDP database: the records this device publishes, each under a handle of its own
// (from 0x10000 on, never reused until cleared). Not thread-safe by itself: its owner guards it.
#include <cstdint>
#include <map>
#include <vector>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

class PublishedRecords {
public:
    static constexpr std::uint32_t kFirstHandle = 0x10000;

    // ERROR_INVALID_DATA unless `record` is exactly one encoded attribute list.
    DWORD Publish(const std::vector<std::uint8_t>& record, std::uint32_t* handle);
    // ERROR_NOT_FOUND for an unknown handle.
    DWORD Remove(std::uint32_t handle);
    DWORD Read(std::uint32_t handle, std::vector<std::uint8_t>* record) const;
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& All() const { return records_; }
    void Clear();

private:
    std::map<std::uint32_t, std::vector<std::uint8_t>> records_;
    std::uint32_t next_ = kFirstHandle;
};

}  // namespace bth

#pragma GCC visibility pop
