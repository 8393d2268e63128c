#include "engine/service/service_local.h"

#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/service/service_record.h"
#include "platform/bluetooth/bt_namespace.h"
#include "platform/kernel/last_error.h"

namespace {
NOTIFY_VALUE Value(CServiceLocal* service) { return reinterpret_cast<NOTIFY_VALUE>(service); }
}  // namespace

CServiceLocal::CServiceLocal(CDevice* device) : CService(device) {}

CServiceLocal::~CServiceLocal() {
    if (m_bActive) unregisterService();
}

int CServiceLocal::Activate(int activate) {
    if (activate) {
        // A second activation would load the server again and publish a second record.
        if (m_bActive) return 1;
        if (!loadServer()) return 0;
        registerService();
        m_bActive = 1;
        return 1;
    }
    if (m_bActive) {
        unloadServer();
        unregisterService();
        SetConnected(0);
        m_bActive = 0;
    }
    return 1;
}

int CServiceLocal::Connect() {
    if (IsConnected()) {
        Disconnect();
        return IsConnected();
    }
    FireNotification(NOTIFY_CONNECTING, Value(this));
    if (!loadServer()) {
        FireNotification(NOTIFY_CONNECT_FAILED, Value(this));
        return 0;
    }
    SetConnected(1);
    FireNotification(NOTIFY_CONNECTED, Value(this));
    return 1;
}

int CServiceLocal::Disconnect() {
    if (!IsConnected()) return 1;
    if (unloadServer()) {
        SetConnected(0);
        FireNotification(NOTIFY_DISCONNECTED, Value(this));
    }
    return IsConnected() ? 0 : 1;
}

UINT CServiceLocal::DoServerThreadWork(void* service) {
    static_cast<CServiceLocal*>(service)->doServerWork();
    return 0;
}

int CServiceLocal::registerService() {
    constexpr const wchar_t* kContext = L"CServiceLocal::registerService";
    auto record = BuildLocalServiceRecord(getGuidLocalService(), m_uiRfcommChannel, GetName());
    if (!record) {
        RaiseError(ERR_SDP_PROFILE, kContext);
        return 0;
    }
    return publishRecord(record->data(), static_cast<int>(record->size()));
}

int CServiceLocal::publishRecord(const BYTE* record, int length) {
    if (length <= 0) return -1;
    ULONG version = 1;
    SetBlob blob = MakeSetBlob(&version, &m_ulRecordHandle, record, static_cast<ULONG>(length));
    if (!blob) return -1;
    int result = SetService(blob, RNRSERVICE_REGISTER);
    if (result != 0) RaiseError(static_cast<int>(GetLastError()), L"CServiceLocal::publishRecord");
    return result;
}

int CServiceLocal::unregisterService() {
    if (m_ulRecordHandle == 0) return 0;  // nothing was published
    ULONG version = 1;
    SetBlob blob = MakeSetBlob(&version, &m_ulRecordHandle, nullptr, 0);
    if (!blob) return -1;
    int result = SetService(blob, RNRSERVICE_DELETE);
    if (result != 0)
        RaiseError(static_cast<int>(GetLastError()), L"CServiceLocal::unregisterService");
    else
        m_ulRecordHandle = 0;
    return result;
}
