#pragma once
// The stack driver's name-space lookups, by the handle its caller holds: which backend lookup
// each handle stands for, and the result that did not fit the caller's buffer, kept for the
// caller's next try with a larger one.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_namespace.h"

namespace bth {

class Lookups {
public:
    explicit Lookups(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}

    // Each returns 0 or a socket error code.
    DWORD BeginInquiry(HANDLE* handle);
    DWORD BeginServiceSearch(const ServiceSearch& search, HANDLE* handle);
    // Writes the next result into the caller's buffer (see bt_query_results.h).
    DWORD Next(HANDLE handle, WSAQUERYSETW* buffer, DWORD* length);
    DWORD End(HANDLE handle);

private:
    struct Entry {
        bool inquiry = false;
        LookupId id = 0;
        std::mutex mutex;  // one Next at a time; guards the kept result
        std::optional<InquiryDevice> keptDevice;
        std::optional<std::vector<std::uint8_t>> keptResponse;
    };

    HANDLE Add(bool inquiry, LookupId id);
    std::shared_ptr<Entry> Find(HANDLE handle);
    DWORD NextDevice(Entry& entry, WSAQUERYSETW* buffer, DWORD* length);
    DWORD NextResponse(Entry& entry, WSAQUERYSETW* buffer, DWORD* length);

    const std::shared_ptr<Backend> backend_;
    std::mutex mutex_;
    std::map<std::uintptr_t, std::shared_ptr<Entry>> entries_;
    // Counted from a tag of its own so the values look unlike kernel handles in a trace, and
    // never reused, so that a stale handle is always told apart.
    std::uintptr_t next_ = 0x7B000000;
};

}  // namespace bth
