#include "engine/obex/client_opp.h"

#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/obex/file_sender.h"
#include "engine/obex/local_files.h"
#include "platform/bluetooth/sdp_uuid.h"

namespace {
constexpr const wchar_t* kContext = L"CClientOpp::DoPushObjectThreadWork";
}  // namespace

CClientOpp::CClientOpp(CDevice* device) : CClientObex(device) { setIdentity(SERVICE_ID_OPP, L"Object Push"); }

CClientOpp::~CClientOpp() {
    if (m_pushThread.IsRunning()) Abort();
    m_pushThread.Join();
}

GUID CClientOpp::getGuidRequestedService() const { return sdp::uuids::kObexObjectPush.ToGuid(); }

int CClientOpp::PushObject(CString path, TRANSFER_PROGRESS_CALLBACK callback, long context) {
    if (!IsConnected()) {
        RaiseError(ERR_PUSH_NOT_CONNECTED, L"CClientOpp::PushObject");
        return 0;
    }
    // The running push owns path, callback and context until it ends.
    if (m_pushThread.IsRunning()) return 0;
    m_pushThread.Join();
    m_iPushResult = 0;
    m_sFilePath = std::move(path);
    m_pCallback = callback;
    m_lContext = context;
    return m_pushThread.Start(&CClientOpp::pushThread, this) ? 1 : 0;
}

UINT CClientOpp::pushThread(void* argument) {
    auto* client = static_cast<CClientOpp*>(argument);
    client->m_iPushResult = client->DoPushObjectThreadWork();
    return static_cast<UINT>(client->m_iPushResult.load());
}

int CClientOpp::WaitForPush() {
    m_pushThread.Join();
    return m_iPushResult.load();
}

int CClientOpp::DoPushObjectThreadWork() {
    const auto claim = ClaimSession(kContext);
    if (!claim) return 0;
    LocalFileSender file(*this, {m_pCallback, m_lContext, kContext, true});
    if (!file.Open(m_sFilePath, true)) return 0;
    if (m_pCallback) m_pCallback(PROGRESS_START, m_lContext);
    GetObjectHeader()->AddName(ObjectNameOf(m_sFilePath));
    GetObjectHeader()->AddLength(file.size());
    if (!BeginPutObject()) return 0;
    const bool accepted = file.Send();
    if (m_pCallback) m_pCallback(PROGRESS_END, m_lContext);
    // An empty file the device accepted is a completed push too.
    return accepted ? 1 : 0;
}
