#include "platform/bluetooth/bt_lookups.h"

#include "platform/bluetooth/bt_query_results.h"

namespace bth {

HANDLE Lookups::Add(bool inquiry, LookupId id) {
    auto entry = std::make_shared<Entry>();
    entry->inquiry = inquiry;
    entry->id = id;
    std::lock_guard lock(mutex_);
    const std::uintptr_t key = ++next_;
    entries_.emplace(key, std::move(entry));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<Lookups::Entry> Lookups::Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == entries_.end() ? nullptr : it->second;
}

DWORD Lookups::BeginInquiry(HANDLE* handle) {
    LookupId id = 0;
    if (DWORD error = backend_->BeginInquiry(&id)) return error;
    *handle = Add(true, id);
    return ERROR_SUCCESS;
}

DWORD Lookups::BeginServiceSearch(const ServiceSearch& search, HANDLE* handle) {
    LookupId id = 0;
    if (DWORD error = backend_->BeginServiceSearch(search, &id)) return error;
    *handle = Add(false, id);
    return ERROR_SUCCESS;
}

DWORD Lookups::Next(HANDLE handle, WSAQUERYSETW* buffer, DWORD* length) {
    std::shared_ptr<Entry> entry = Find(handle);
    if (!entry) return WSAEINVAL;
    // Held by the shared pointer, the entry outlives an End from another thread; the backend
    // then releases the wait with WSA_E_CANCELLED.
    std::lock_guard lock(entry->mutex);
    return entry->inquiry ? NextDevice(*entry, buffer, length) : NextResponse(*entry, buffer, length);
}

DWORD Lookups::NextDevice(Entry& entry, WSAQUERYSETW* buffer, DWORD* length) {
    if (!entry.keptDevice) {
        InquiryDevice device;
        if (DWORD error = backend_->NextInquiryDevice(entry.id, &device)) return error;
        entry.keptDevice = std::move(device);
    }
    const DWORD error = WriteInquiryResult(*entry.keptDevice, buffer, length);
    if (error == ERROR_SUCCESS) entry.keptDevice.reset();
    return error;
}

DWORD Lookups::NextResponse(Entry& entry, WSAQUERYSETW* buffer, DWORD* length) {
    if (!entry.keptResponse) {
        std::vector<std::uint8_t> response;
        if (DWORD error = backend_->NextServiceResponse(entry.id, &response)) return error;
        entry.keptResponse = std::move(response);
    }
    const DWORD error = WriteServiceSearchResult(*entry.keptResponse, buffer, length);
    if (error == ERROR_SUCCESS) entry.keptResponse.reset();
    return error;
}

DWORD Lookups::End(HANDLE handle) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == entries_.end()) return WSAEINVAL;
        entry = std::move(it->second);
        entries_.erase(it);
    }
    backend_->EndLookup(entry->id);  // a lookup the backend already forgot is ended all the same
    return ERROR_SUCCESS;
}

}  // namespace bth
