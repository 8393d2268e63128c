#include "platform/bluetooth/published_records.h"

#include "platform/bluetooth/sdp_record.h"

namespace bth {

DWORD PublishedRecords::Publish(const std::vector<std::uint8_t>& record, std::uint32_t* handle) {
    if (!sdp::IsRecordStream(record)) return ERROR_INVALID_DATA;
    *handle = next_++;
    records_[*handle] = record;
    return ERROR_SUCCESS;
}

DWORD PublishedRecords::Remove(std::uint32_t handle) { return records_.erase(handle) ? ERROR_SUCCESS : ERROR_NOT_FOUND; }

DWORD PublishedRecords::Read(std::uint32_t handle, std::vector<std::uint8_t>* record) const {
    const auto found = records_.find(handle);
    if (found == records_.end()) return ERROR_NOT_FOUND;
    *record = found->second;
    return ERROR_SUCCESS;
}

void PublishedRecords::Clear() {
    records_.clear();
    next_ = kFirstHandle;
}

}  // namespace bth
