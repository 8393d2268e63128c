#include "engine/service/service_distant.h"

#include "engine/frame/notifications.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace {
NOTIFY_VALUE Value(CServiceDistant* service) { return reinterpret_cast<NOTIFY_VALUE>(service); }
}  // namespace

CServiceDistant::CServiceDistant(CDevice* device) : CService(device) {}

CServiceDistant::~CServiceDistant() { waitForConnectionThread(); }

void CServiceDistant::waitForConnectionThread() {
    if (!m_pConnectionThread) return;
    WaitForSingleObject(m_pConnectionThread->m_hThread, INFINITE);
    delete m_pConnectionThread;
    m_pConnectionThread = nullptr;
}

int CServiceDistant::Connect() {
    if (WaitForSingleObject(m_hConnectionLock, 0) != WAIT_OBJECT_0) return IsConnected();
    if (IsConnected()) Disconnect();
    if (m_pConnectionThread) {
        cancelConnection();
        if (m_pConnectionThread) {
            ReleaseSemaphore(m_hConnectionLock, 1, nullptr);
            return IsConnected();
        }
    }
    CWinThread* thread =
        AfxBeginThread(&CServiceDistant::DoConnectionProcThread, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!thread) {
        ReleaseSemaphore(m_hConnectionLock, 1, nullptr);
        return IsConnected();
    }
    thread->m_bAutoDelete = FALSE;
    m_pConnectionThread = thread;
    thread->ResumeThread();
    return IsConnected();
}

UINT CServiceDistant::DoConnectionProcThread(void* argument) {
    auto* self = static_cast<CServiceDistant*>(argument);
    bool automatic = self->m_bDistantDisconnection != 0;  // a reconnection by the monitor stays quiet
    if (!automatic) FireNotification(NOTIFY_CONNECTING, Value(self));
    if (!self->makeConnection()) {
        if (!automatic) FireNotification(NOTIFY_CONNECT_FAILED, Value(self));
    } else {
        self->SetConnected(1);
        if (!automatic) FireNotification(NOTIFY_CONNECTED, Value(self));
        self->m_bDistantDisconnection = 0;
    }
    ReleaseSemaphore(self->m_hConnectionLock, 1, nullptr);
    return 0;
}

int CServiceDistant::Disconnect() {
    cancelConnection();
    if (!IsConnected()) return 1;
    if (makeDisconnection()) {
        SetConnected(0);
        m_bDistantDisconnection = 0;
        FireNotification(NOTIFY_DISCONNECTED, Value(this));
    }
    return IsConnected() ? 0 : 1;
}

int CServiceDistant::cancelConnection() {
    if (!m_pConnectionThread) return 1;
    DWORD exitCode = 0;
    if (!GetExitCodeThread(m_pConnectionThread->m_hThread, &exitCode) || exitCode == STILL_ACTIVE) return 0;
    delete m_pConnectionThread;
    m_pConnectionThread = nullptr;
    return 1;
}

void CServiceDistant::SetDistantDisconnection() {
    m_bDistantDisconnection = 1;
    m_tDistantDisconnectionTime = std::time(nullptr);
}
