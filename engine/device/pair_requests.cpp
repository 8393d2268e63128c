// Incoming pair requests: while the engine is on, a thread claims the stack's PIN requests
// and announces each with the remote device concerned.
#include "engine/device/device_local.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "platform/kernel/sync.h"

namespace {
constexpr const wchar_t* kContext = L"CDeviceLocal::Activate";
constexpr DWORD kPinStoreTimeoutMs = 3000;
constexpr DWORD kPinProcessTimeoutMs = 60000;
}  // namespace

void CDeviceLocal::startPairRequestThread() {
    m_pPairRequestThread =
        AfxBeginThread(&CDeviceLocal::pairRequestThread, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    m_hPairRequestStop = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_pPairRequestThread) {
        m_pPairRequestThread->m_bAutoDelete = FALSE;
        m_pPairRequestThread->ResumeThread();
    }
}

void CDeviceLocal::stopPairRequestThread() {
    if (m_pPairRequestThread && m_hPairRequestStop) {
        SetEvent(m_hPairRequestStop);
        WaitForSingleObject(m_pPairRequestThread->m_hThread, INFINITE);
        delete m_pPairRequestThread;
        CloseHandle(m_hPairRequestStop);
        m_pPairRequestThread = nullptr;
        m_hPairRequestStop = nullptr;
    }
}

UINT CDeviceLocal::pairRequestThread(void* device) {
    return static_cast<UINT>(static_cast<CDeviceLocal*>(device)->DoPairRequestThreadWork());
}

int CDeviceLocal::DoPairRequestThreadWork() {
    HANDLE pinEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!pinEvent) return 0;
    int result = BthSetSecurityUI(pinEvent, kPinStoreTimeoutMs, kPinProcessTimeoutMs);
    if (result != 0) {
        if (result == static_cast<int>(ERROR_ALREADY_ASSIGNED)) RaiseError(ERR_PIN_REQUESTS_TAKEN, kContext);
        else if (result == static_cast<int>(ERROR_SERVICE_NOT_ACTIVE)) RaiseError(ERR_NO_HARDWARE, kContext);
        else if (result != static_cast<int>(ERROR_INVALID_PARAMETER)) RaiseError(result, kContext);
        CloseHandle(pinEvent);
        return 0;
    }
    HANDLE waits[2] = {pinEvent, m_hPairRequestStop};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        BT_ADDR address = 0;
        while (BthGetPINRequest(&address) == 0) {
            std::lock_guard lock(m_devicesLock);  // the device stays listed while the host looks at it
            CDeviceDistant* device = getDeviceDistant(address);
            if (!device) device = addDevice(address, CString(), 0, 0);
            FireNotification(NOTIFY_PIN_REQUEST, reinterpret_cast<NOTIFY_VALUE>(device));
        }
    }
    BthSetSecurityUI(nullptr, 0, 0);
    CloseHandle(pinEvent);
    return 0;
}
