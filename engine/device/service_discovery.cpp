// Service discovery of a remote device: one SDP service-search-attribute request per profile,
// in a fixed order, and one client service for each profile that answers.
#include <vector>

#include "engine/device/device_distant.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/obex/client_obex.h"
#include "engine/service/service.h"
#include "platform/bluetooth/bt_service_search.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_stream.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr const wchar_t* kContext = L"CDeviceDistant::doInquiryServiceId";
constexpr DWORD kResultBufferBytes = 5000;

struct Profile {
    sdp::Uuid serviceClass;
    unsigned int id;
};

// The order of the searches, and so of the found services.
const Profile kProfiles[] = {
    {sdp::uuids::kObexFileTransfer, SERVICE_ID_FTP},
    {sdp::uuids::kSerialPort, SERVICE_ID_SPP},
    {sdp::uuids::kObexObjectPush, SERVICE_ID_OPP},
    {sdp::uuids::kDialupNetworking, SERVICE_ID_DUN},
};

// Counts the records of an SDP response; false when the stream is not valid.
bool CountRecords(const BLOB* blob, int* records) {
    *records = 0;
    if (!blob || !blob->pBlobData || blob->cbSize > kResultBufferBytes ||
        !sdp::Validate(blob->pBlobData, blob->cbSize)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    size_t count = 0;
    std::vector<sdp::Record> parsed;
    if (!sdp::VerifySequenceOfSequences(blob->pBlobData, blob->cbSize, &count) || count == 0) return true;
    if (sdp::RetrieveRecords(blob->pBlobData, blob->cbSize, &parsed)) *records = static_cast<int>(parsed.size());
    return true;
}

}  // namespace

int CDeviceDistant::doInquiryServiceId(GUID serviceClass, WORD minAttribute, WORD maxAttribute, int* records) {
    *records = 0;
    SdpQueryUuid uuid{};
    uuid.u.uuid128 = serviceClass;
    uuid.uuidType = SDP_ST_UUID128;
    BthServiceSearchQuery search(m_btAddr, uuid, minAttribute, maxAttribute);
    HANDLE lookup = nullptr;
    if (BthNsLookupServiceBegin(&search.query, 0, &lookup) != 0) {
        int error = static_cast<int>(GetLastError());
        RaiseError(error, kContext);
        return error ? error : -1;
    }
    if (!holdLookup(lookup)) return static_cast<int>(WSA_E_CANCELLED);  // a stop came first

    std::vector<std::uint64_t> storage(kResultBufferBytes / sizeof(std::uint64_t));  // aligned for the head
    auto* results = reinterpret_cast<WSAQUERYSETW*>(storage.data());
    results->dwSize = sizeof(WSAQUERYSETW);
    results->dwNameSpace = NS_BTH;
    DWORD length = kResultBufferBytes;
    int result = 0;
    if (BthNsLookupServiceNext(lookup, LUP_RETURN_NAME | LUP_RETURN_ADDR, &length, results) != 0) {
        result = static_cast<int>(GetLastError());  // out of range, or ended: no report
        if (result == 0) result = -1;
    } else if (!CountRecords(results->lpBlob, records)) {
        RaiseError(static_cast<int>(GetLastError()), kContext);
    }
    endLookup();
    return result;
}

void CDeviceDistant::doInquiryThreadWork() {
    for (const auto& profile : kProfiles) {
        if (StopRequested()) break;  // EndInquiry: no further search, no further service
        int records = 0;
        if (doInquiryServiceId(profile.serviceClass.ToGuid(), 0x0000, 0xFFFF, &records) == 0 && records > 0) {
            if (addServiceToArray(SERVICE_ARRAY_FOUND, profile.id, NO_COM_PORT))
                FireNotification(NOTIFY_SERVICE_ADDED, 0);
        }
    }
    m_bFoundServices = 1;
}
