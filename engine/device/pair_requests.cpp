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

bool CDeviceLocal::startPairRequestThread() {
    if (m_hPairThreadReady) ResetEvent(m_hPairThreadReady);
    return m_pairRequestThread.Start(&CDeviceLocal::pairRequestThread, this);
}

void CDeviceLocal::stopPairRequestThread() {
    m_pairRequestThread.RequestStop();
    m_pairRequestThread.Join();
}

UINT CDeviceLocal::pairRequestThread(void* device) {
    return static_cast<UINT>(static_cast<CDeviceLocal*>(device)->DoPairRequestThreadWork());
}

int CDeviceLocal::DoPairRequestThreadWork() {
    HANDLE pinEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const int result = pinEvent ? BthSetSecurityUI(pinEvent, kPinStoreTimeoutMs, kPinProcessTimeoutMs) : 0;
    if (m_hPairThreadReady) SetEvent(m_hPairThreadReady);  // the activation goes on
    if (!pinEvent) return 0;
    if (result != 0) {
        if (result == static_cast<int>(ERROR_ALREADY_ASSIGNED)) RaiseError(ERR_PIN_REQUESTS_TAKEN, kContext);
        else if (result == static_cast<int>(ERROR_SERVICE_NOT_ACTIVE)) RaiseError(ERR_NO_HARDWARE, kContext);
        else if (result != static_cast<int>(ERROR_INVALID_PARAMETER)) RaiseError(result, kContext);
        CloseHandle(pinEvent);
        return 0;
    }
    HANDLE waits[2] = {pinEvent, m_pairRequestThread.StopEvent()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        BT_ADDR address = 0;
        while (BthGetPINRequest(&address) == 0) {
            bool added = false;
            CDeviceDistant* device = nullptr;
            InUse::Hold hold;  // the device outlives the host's callbacks, even if FindDevices runs meanwhile
            {
                std::lock_guard lock(m_devicesLock);
                device = findOrAppend(address, CString(), 0, 0, &added);
                hold = m_devicesInUse.Take();
            }
            if (added) FireNotification(NOTIFY_DEVICE_ADDED, 0);
            FireNotification(NOTIFY_PIN_REQUEST, reinterpret_cast<NOTIFY_VALUE>(device));
        }
    }
    BthSetSecurityUI(nullptr, 0, 0);
    CloseHandle(pinEvent);
    return 0;
}
