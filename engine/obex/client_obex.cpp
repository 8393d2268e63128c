#include "engine/obex/client_obex.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include <string>

#include "engine/device/device.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/service/sobex.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/obex/obex.h"
#include "platform/text/utf.h"

namespace {

constexpr const wchar_t* kBluetoothTransport = L"{30A7BC03-59B6-40BB-AA2B-89EB49EF274E}";
constexpr unsigned long kDefaultResponseTimeoutMs = 30000;
// What the OBEX component answers once the link under a session is gone.
const HRESULT kLinkFailed = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);

bool IsNil(const GUID& guid) { return guid == GUID{}; }

// "{00001105-0000-1000-8000-00805f9b34fb}": the registry form, in lower case.
std::wstring GuidText(const GUID& guid) {
    std::wstring text = L"{" + platform::WideFromUtf8(sdp::Uuid::FromGuid(guid).ToString()) + L"}";
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

}  // namespace

CClientObex::CClientObex(CDevice* device)
    : CServiceDistant(device),
      m_pConnectionHeaders(platform::CreateHeaderCollection()),
      m_pObjectHeaders(platform::CreateHeaderCollection()),
      m_pAbortHeaders(platform::CreateHeaderCollection()) {}

// The owner shuts the service down first (which closes the session); a client deleted without
// that still ends its session here.
CClientObex::~CClientObex() {
    m_connectionThread.Join();
    if (device()) makeDisconnection();
}

void CClientObex::SetDistantDisconnection() { FireNotification(NOTIFY_OBEX_DISCONNECTED, 0); }

GUID CClientObex::getGuidTarget() const { return GUID{}; }
GUID CClientObex::getGuidRequestedService() const { return GUID{}; }

std::shared_ptr<IObexDevice> CClientObex::device() const {
    std::lock_guard lock(m_sessionLock);
    return m_pObexDevice;
}

int CClientObex::makeConnection() {
    constexpr const wchar_t* kContext = L"CClientObex::makeConnection";
    const std::shared_ptr<IObex> obex = CSObex::GetInstance()->GetObex();
    if (!obex) return 0;
    const std::shared_ptr<IPropertyBag> properties = platform::CreatePropertyBag();
    if (!properties) {
        RaiseError(static_cast<int>(ERROR_OUTOFMEMORY), kContext);
        return 0;
    }
    if (const GUID service = getGuidRequestedService(); !IsNil(service))
        properties->Write(L"RequestedServiceUUID", GuidText(service));
    properties->Write(L"Address", bth::AddressDigitsW(m_pDevice ? m_pDevice->GetBtAddr() : 0));
    properties->Write(L"Name", m_pDevice ? m_pDevice->GetName().str() : std::wstring());
    properties->Write(L"Transport", kBluetoothTransport);
    const unsigned long timeoutMs = CRegistry().ReadSettingDword(kResponseTimeoutValue, kDefaultResponseTimeoutMs);
    properties->Write(L"ResponseTimeout", std::to_wstring(timeoutMs));

    std::shared_ptr<IObexDevice> bound;
    if (FAILED(obex->BindToDevice(properties.get(), &bound)) || !bound) {
        RaiseError(ERR_OBEX_INIT, kContext);
        return 0;
    }
    m_pConnectionHeaders->RemoveAll();
    if (const GUID target = getGuidTarget(); !IsNil(target)) {
        BYTE bytes[16];
        std::memcpy(bytes, &target, sizeof bytes);
        m_pConnectionHeaders->AddTarget(sizeof bytes, bytes);
    }
    {
        std::lock_guard lock(m_sessionLock);
        m_pConnecting = bound;  // for interruptConnection
    }
    const HRESULT connected = bound->Connect(nullptr, 0, m_pConnectionHeaders.get());
    std::lock_guard lock(m_sessionLock);
    m_pConnecting.reset();
    if (FAILED(connected)) {
        reportFailure(connected, ERR_OBEX_CONNECT, kContext);
        return 0;
    }
    m_pObexDevice = std::move(bound);
    return 1;
}

void CClientObex::interruptConnection() {
    std::shared_ptr<IObexDevice> connecting;
    {
        std::lock_guard lock(m_sessionLock);
        connecting = m_pConnecting;
    }
    if (connecting) connecting->Abort(nullptr);
}

void CClientObex::reportFailure(HRESULT result, int code, const wchar_t* context) {
    if (result == E_ABORT) return;  // ended on purpose here (Abort, interruptConnection): nothing failed
    // Not while connecting: a link that never was up was not lost.
    if (result == kLinkFailed && IsConnected()) linkLost(context);
    if (result == HRESULT_FROM_WIN32(ERROR_TIMEOUT)) RaiseError(ERR_OBEX_TIMEOUT, context);
    if (result == HRESULT_FROM_WIN32(ERROR_BUSY)) RaiseError(ERR_OBEX_BUSY, context);
    RaiseError(code, context);
}

void CClientObex::streamFailed(HRESULT result, const wchar_t* context) {
    if (m_bTransferFailed.exchange(true) || result == E_ABORT) return;
    if (result == kLinkFailed) linkLost(context);
    if (result == HRESULT_FROM_WIN32(ERROR_TIMEOUT)) RaiseError(ERR_OBEX_TIMEOUT, context);
    if (result == OBEX_E_BODY_PAST_LENGTH) RaiseError(ERR_OBEX_BODY_PAST_LENGTH, context);
    if (result == OBEX_E_NO_PROGRESS) RaiseError(ERR_OBEX_NO_PROGRESS, context);
}

void CClientObex::linkLost(const wchar_t* context) {
    m_bLinkLost = true;
    CString message;
    message.Format(L"Service %s on %s disconnected!", GetName(), m_pDevice ? m_pDevice->GetName() : CString());
    RaiseError(ERR_SERVICE_DISCONNECTED, context, 0, message);
}

std::unique_lock<std::mutex> CClientObex::ClaimSession(const wchar_t* context) {
    std::unique_lock claim(m_operationLock, std::try_to_lock);
    if (!claim) RaiseError(ERR_OBEX_BUSY, context);
    return claim;
}

int CClientObex::makeDisconnection() {
    Abort();  // a transfer still running ends; reported, but no reason to stay connected
    std::shared_ptr<IObexDevice> bound;
    {
        std::lock_guard lock(m_sessionLock);
        bound = std::move(m_pObexDevice);
    }
    if (!bound) return 1;
    m_pObjectHeaders->RemoveAll();
    bound->Disconnect(m_pConnectionHeaders.get());
    m_pConnectionHeaders->RemoveAll();
    return 1;
}

int CClientObex::beginObject(bool put, int failure, const wchar_t* context) {
    m_bAborted = false;
    m_bTransferFailed = false;
    m_bLinkLost = false;
    const std::shared_ptr<IObexDevice> bound = device();
    if (!bound) {
        RaiseError(ERR_OBEX_INCORRECT_INIT, context);
        return 0;
    }
    std::unique_ptr<IStream> opened;
    const HRESULT result = put ? bound->Put(m_pObjectHeaders.get(), &opened) : bound->Get(m_pObjectHeaders.get(), &opened);
    if (FAILED(result) || !opened) {
        m_pObjectHeaders->RemoveAll();
        reportFailure(result, failure, context);
        return 0;
    }
    m_pStream = std::move(opened);
    return 1;
}

int CClientObex::endObject(bool put, const wchar_t* context) {
    m_bAborted = false;
    const std::unique_ptr<IStream> open = std::move(m_pStream);
    const HRESULT committed = open && put ? open->Commit(0) : S_FALSE;
    m_bAccepted = open && put && SUCCEEDED(committed);
    // The last part of a PUT goes out here: the link may be lost on it too.
    if (committed == kLinkFailed && !m_bTransferFailed.exchange(true)) linkLost(context);
    if (!open) RaiseError(ERR_OBEX_INCORRECT_INIT, context);
    m_pObjectHeaders->RemoveAll();
    return open ? 1 : 0;
}

int CClientObex::BeginPutObject() { return beginObject(true, ERR_OBEX_PUT_HEADERS, L"CClientObex::BeginPutObject"); }
int CClientObex::BeginGetObject() { return beginObject(false, ERR_OBEX_GET_HEADERS, L"CClientObex::BeginGetObject"); }
int CClientObex::EndPutObject() { return endObject(true, L"CClientObex::EndPutObject"); }
int CClientObex::EndGetObject() { return endObject(false, L"CClientObex::EndGetObject"); }

ULONG CClientObex::PutPacket(const void* data, ULONG size) {
    ULONG written = 0;
    if (!m_pStream) return 0;
    if (const HRESULT result = m_pStream->Write(data, size, &written); FAILED(result))
        streamFailed(result, L"CClientObex::PutPacket");
    return written;
}

ULONG CClientObex::GetPacket(void* buffer, ULONG size) {
    ULONG read = 0;
    if (!m_pStream) return 0;
    if (const HRESULT result = m_pStream->Read(buffer, size, &read); FAILED(result))
        streamFailed(result, L"CClientObex::GetPacket");
    return read;
}

int CClientObex::GoToPath(const CString& path) {
    const std::shared_ptr<IObexDevice> bound = device();
    if (!bound) {
        RaiseError(ERR_OBEX_INCORRECT_INIT, L"CClientObex::GoToPath");
        return 0;
    }
    if (const HRESULT result = bound->SetPath(path, obex::kSetPathNoCreate, nullptr); FAILED(result)) {
        reportFailure(result, ERR_OBEX_REMOTE_DIRECTORY, L"CClientObex::GoToPath");
        return 0;
    }
    return 1;
}

int CClientObex::Abort() {
    const std::shared_ptr<IObexDevice> bound = device();
    if (!bound) {
        RaiseError(ERR_OBEX_INCORRECT_INIT, L"CClientObex::Abort");
        return 0;
    }
    m_bAborted = true;
    if (const HRESULT result = bound->Abort(m_pAbortHeaders.get()); FAILED(result)) {
        reportFailure(result, ERR_OBEX_ABORT, L"CClientObex::Abort");
        return 0;
    }
    return 1;
}
