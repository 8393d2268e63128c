#include "engine/service/client_spp.h"

#include "engine/device/device.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/service/com_port.h"
#include "platform/kernel/sync.h"

namespace {
constexpr const wchar_t* kContext = L"CClientSpp::makeConnection";
}  // namespace

CClientSpp::CClientSpp(CDevice* device) : CServiceDistant(device), m_device(std::make_unique<ComPortRegistration>()) {
    setIdentity(SERVICE_ID_SPP, L"Serial Port");
}

CClientSpp::~CClientSpp() {
    m_connectionThread.Join();
    releasePort();
}

int CClientSpp::makeConnection() {
    // A reconnection by the monitor reports nothing: the user did not ask for it.
    const bool automatic = GetDistantDisconnection() != 0;
    // A port left from an earlier connection (one the monitor found lost is still open) goes
    // first, so that the index is free again.
    releasePort();

    ComPortRegistration device;
    const unsigned int index = GetComPort();
    if (!device.Register(index, SerialClientPortParams(m_pDevice ? m_pDevice->GetBtAddr() : 0))) {
        if (!automatic) RaiseError(ERR_SPP_NO_COM_PORT, kContext);
        return 0;
    }
    HANDLE port = OpenComPort(index, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (!port) {
        if (!automatic) RaiseError(ERR_SPP_CONNECT, kContext);
        return 0;  // the registration goes with `device`
    }
    std::lock_guard lock(m_portLock);
    *m_device = std::move(device);
    m_hPort = port;
    return 1;
}

int CClientSpp::makeDisconnection() { return releasePort() ? 1 : 0; }

BOOL CClientSpp::releasePort() {
    ComPortRegistration device;
    HANDLE port = nullptr;
    {
        std::lock_guard lock(m_portLock);
        device = std::move(*m_device);
        std::swap(port, m_hPort);
    }
    if (port) CloseHandle(port);
    return device.Release();
}

int CClientSpp::ReConnect() {
    HANDLE port = OpenComPort(GetComPort(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (!port) return 0;
    SetConnected(1);
    CloseHandle(port);
    return 1;
}

int CClientSpp::DistantDisconnect() {
    SetConnected(0);
    FireNotification(NOTIFY_DISCONNECTED, reinterpret_cast<NOTIFY_VALUE>(this));
    return 1;
}
