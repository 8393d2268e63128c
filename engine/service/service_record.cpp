#include "engine/service/service_record.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/frame/bth_stack.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_record.h"

namespace {
constexpr std::size_t kSetBlobHeader = offsetof(BTHNS_SETBLOB, pRecord);
}  // namespace

std::optional<std::vector<BYTE>> BuildLocalServiceRecord(const GUID& serviceClass, unsigned int rfcommChannel,
                                                         const CString& name) {
    const sdp::Uuid uuid = sdp::Uuid::FromGuid(serviceClass);
    if (uuid == sdp::Uuid{}) return std::nullopt;
    using sdp::DataElement;
    sdp::Record record;
    record.Set(sdp::attr::kServiceClassIdList, DataElement::Sequence({DataElement::Uuid128(uuid)}));
    record.Set(sdp::attr::kProtocolDescriptorList,
               DataElement::Sequence({
                   DataElement::Sequence({DataElement::Uuid16(0x0100)}),
                   DataElement::Sequence({DataElement::Uuid16(0x0003),
                                          DataElement::UInt8(static_cast<std::uint8_t>(rfcommChannel & 0xFF))}),
               }));
    record.Set(sdp::attr::kServiceName, DataElement::Text(name.ToAnsi()));
    try {
        return record.Encode();
    } catch (const std::length_error&) {
        return std::nullopt;  // a name beyond what an SDP text can hold
    }
}

SetBlob MakeSetBlob(ULONG* version, ULONG* recordHandle, const BYTE* record, ULONG length) {
    SetBlob blob;
    const std::size_t size = kSetBlobHeader + length;
    blob.block.reset(new (std::nothrow) BYTE[std::max(size, sizeof(BTHNS_SETBLOB))]());
    if (!blob.block) return blob;
    BTHNS_SETBLOB header{};
    header.pSdpVersion = version;
    header.pRecordHandle = recordHandle;
    header.ulRecordLength = length;
    std::memcpy(blob.block.get(), &header, kSetBlobHeader);
    if (length) std::memcpy(blob.block.get() + kSetBlobHeader, record, length);
    blob.size = static_cast<ULONG>(size);
    return blob;
}

int SetService(const SetBlob& blob, DWORD operation) {
    BLOB data{blob.size, blob.block.get()};
    WSAQUERYSETW query{};
    query.dwSize = sizeof query;
    query.dwNameSpace = NS_BTH;
    query.lpBlob = &data;
    return BthNsSetService(&query, operation, 0);
}
