#include "stack_client.h"

#include <gtest/gtest.h>

#include "platform/bluetooth/bt_service_search.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/kernel.h"
#include "sim/radio.h"

namespace simtest {

Stack::Stack()
    : handle_(CreateFileW(L"BTD0:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
}

Stack::~Stack() { CloseHandle(handle_); }

DWORD Stack::Request(DWORD code, BthCallBlock& block) const {
    if (DeviceIoControl(handle_, code, &block, sizeof block, nullptr, 0, nullptr, nullptr)) return 0;
    return GetLastError();
}

DWORD Stack::BeginInquiry(HANDLE* lookup) const {
    WSAQUERYSETW query{};
    query.dwSize = sizeof query;
    query.dwNameSpace = NS_BTH;
    BthCallBlock block;
    block.querySet = &query;
    block.flags = LUP_CONTAINERS | LUP_RETURN_NAME | LUP_RETURN_ADDR | LUP_RETURN_BLOB;
    DWORD error = Request(bth::kNsLookupServiceBegin, block);
    *lookup = block.lookup;
    return error;
}

DWORD Stack::BeginSearch(BT_ADDR target, const SdpQueryUuid& uuid, HANDLE* lookup, WORD first, WORD last) const {
    BthServiceSearchQuery search(target, uuid, first, last);
    search.query.dwNumberOfCsAddrs = 1;
    BthCallBlock block;
    block.querySet = &search.query;
    block.flags = LUP_RETURN_BLOB;
    DWORD error = Request(bth::kNsLookupServiceBegin, block);
    *lookup = block.lookup;
    return error;
}

DWORD Stack::Next(HANDLE lookup, std::vector<std::uint64_t>& buffer, DWORD* length) const {
    buffer.assign((*length + 7) / 8, 0);
    BthCallBlock block;
    block.lookup = lookup;
    block.bufferLength = *length;
    block.querySet = buffer.empty() ? nullptr : reinterpret_cast<WSAQUERYSETW*>(buffer.data());
    DWORD error = Request(bth::kNsLookupServiceNext, block);
    *length = block.bufferLength;
    return error;
}

DWORD Stack::End(HANDLE lookup) const {
    BthCallBlock block;
    block.lookup = lookup;
    return Request(bth::kNsLookupServiceEnd, block);
}

DWORD Stack::Start() const {
    wchar_t card[] = L"card";
    if (DeviceIoControl(handle_, IOCTL_SERVICE_START, card, sizeof card, nullptr, 0, nullptr, nullptr)) return 0;
    return GetLastError();
}

SdpQueryUuid Uuid16(WORD value) {
    SdpQueryUuid uuid{};
    uuid.u.uuid16 = value;
    uuid.uuidType = SDP_ST_UUID16;
    return uuid;
}

SdpQueryUuid Uuid32(ULONG value) {
    SdpQueryUuid uuid{};
    uuid.u.uuid32 = value;
    uuid.uuidType = SDP_ST_UUID32;
    return uuid;
}

SdpQueryUuid Uuid128(std::uint32_t shortValue) {
    SdpQueryUuid uuid{};
    uuid.u.uuid128 = sdp::Uuid::FromShort(shortValue).ToGuid();
    uuid.uuidType = SDP_ST_UUID128;
    return uuid;
}

std::vector<std::uint8_t> BlobBytes(const std::vector<std::uint64_t>& buffer) {
    const BLOB* blob = Head(buffer).lpBlob;
    if (!blob) return {};
    return {blob->pBlobData, blob->pBlobData + blob->cbSize};
}

}  // namespace simtest
