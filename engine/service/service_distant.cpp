#include "engine/service/service_distant.h"

#include "engine/frame/notifications.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace {
NOTIFY_VALUE Value(CServiceDistant* service) { return reinterpret_cast<NOTIFY_VALUE>(service); }
}  // namespace

CServiceDistant::CServiceDistant(CDevice* device) : CService(device) {}

CServiceDistant::~CServiceDistant() { m_connectionThread.Join(); }

void CServiceDistant::shutDown() {
    m_connectionThread.Join();
    Disconnect();
}

int CServiceDistant::Connect() {
    if (WaitForSingleObject(m_hConnectionLock, 0) != WAIT_OBJECT_0) return IsConnected();
    if (IsConnected()) Disconnect();
    // A previous attempt has let go of the connection lock, so it only returns now: wait for it,
    // unless this is that attempt's own thread (a host callback of its outcome).
    if (!m_connectionThread.Join() || !m_connectionThread.Start(&CServiceDistant::DoConnectionProcThread, this))
        ReleaseSemaphore(m_hConnectionLock, 1, nullptr);
    return IsConnected();
}

UINT CServiceDistant::DoConnectionProcThread(void* argument) {
    auto* self = static_cast<CServiceDistant*>(argument);
    bool automatic = self->m_bDistantDisconnection != 0;  // a reconnection by the monitor stays quiet
    if (!automatic) FireNotification(NOTIFY_CONNECTING, Value(self));
    bool connected = self->makeConnection() != 0;
    if (connected) {
        self->SetConnected(1);
        self->m_bDistantDisconnection = 0;
    }
    // The lock goes before the outcome is announced, so that the host may connect again as soon
    // as it hears of it.
    ReleaseSemaphore(self->m_hConnectionLock, 1, nullptr);
    if (!automatic) FireNotification(connected ? NOTIFY_CONNECTED : NOTIFY_CONNECT_FAILED, Value(self));
    return 0;
}

int CServiceDistant::Disconnect() {
    cancelConnection();
    bool disconnected = false;
    {
        // The host and the connection monitor may both ask: one disconnection, one announcement.
        std::lock_guard lock(m_disconnectLock);
        if (IsConnected() && makeDisconnection()) {
            SetConnected(0);
            m_bDistantDisconnection = 0;
            disconnected = true;
        }
    }
    if (disconnected) FireNotification(NOTIFY_DISCONNECTED, Value(this));
    return IsConnected() ? 0 : 1;
}

int CServiceDistant::cancelConnection() { return m_connectionThread.Join(0) ? 1 : 0; }

void CServiceDistant::AbandonConnectionAttempt() {
    if (m_connectionThread.IsRunning()) interruptConnection();
}

void CServiceDistant::SetDistantDisconnection() {
    // The time first: whoever sees the mark sees when it was made.
    m_tDistantDisconnectionTime = std::time(nullptr);
    m_bDistantDisconnection = 1;
}
