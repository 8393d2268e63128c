// Switching the engine on and off over the operating system's Bluetooth stack.
#include <cwchar>

#include "engine/device/device_local.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "platform/kernel/device.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/time.h"

namespace {

constexpr const wchar_t* kContext = L"CDeviceLocal::Activate";
constexpr int kHardwareRereads = 10;
constexpr DWORD kHardwareReadIntervalMs = 1000;
constexpr DWORD kPairThreadSettleMs = 500;

HANDLE OpenDevice(const wchar_t* name) {
    HANDLE device = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

// Sends a service request to "BTS1:"; false when the service exists and refused it. A missing
// "BTS1:" is taken as absent: there is nothing to stop or restart.
bool ControlStackService(DWORD request) {
    HANDLE service = OpenDevice(L"BTS1:");
    if (!service) return true;
    BOOL done = DeviceIoControl(service, request, nullptr, 0, nullptr, 0, nullptr, nullptr);
    CloseHandle(service);
    return done != FALSE;
}

}  // namespace

int CDeviceLocal::Activate(int on) {
    bool wanted = on != 0;
    if ((m_bActivated != 0) == wanted) return 1;
    return wanted ? activateOn() : activateOff();
}

int CDeviceLocal::activateOn() {
    if (!ControlStackService(IOCTL_SERVICE_STOP)) RaiseError(ERR_BTS_STOP, kContext);

    HANDLE stack = OpenDevice(L"BTD0:");
    if (!stack) {
        RaiseError(ERR_STACK_ACCESS, kContext);
        return 0;
    }
    wchar_t card[] = L"card";
    BOOL started = DeviceIoControl(stack, IOCTL_SERVICE_START, card, sizeof card, nullptr, 0, nullptr, nullptr);
    CloseHandle(stack);
    if (!started) {
        RaiseError(ERR_NO_HARDWARE, kContext);
        return 0;
    }

    if (int error = waitForHardware()) {
        RaiseError(error, kContext);
        return 0;
    }
    m_bActivated = 1;
    // The activation ends once the thread holds the PIN requests (a request that comes right
    // after is not missed), or after half a second at most.
    if (startPairRequestThread() && m_hPairThreadReady) WaitForSingleObject(m_hPairThreadReady, kPairThreadSettleMs);
    return 1;
}

int CDeviceLocal::waitForHardware() {
    int status = 0;
    int result = BthGetHardwareStatus(&status);
    for (int reread = 0; (result != 0 || status != HCI_HARDWARE_RUNNING) && reread < kHardwareRereads; ++reread) {
        Sleep(kHardwareReadIntervalMs);
        result = BthGetHardwareStatus(&status);
    }
    if (result != 0) return result;
    switch (status) {
        case HCI_HARDWARE_RUNNING: return 0;
        case HCI_HARDWARE_NOT_PRESENT: return ERR_HARDWARE_NOT_PRESENT;
        case HCI_HARDWARE_SHUTDOWN: return ERR_HARDWARE_SHUTDOWN;
        default: return ERR_HARDWARE_STATUS;
    }
}

int CDeviceLocal::activateOff() {
    // With no "BTS1:" there is no service to restart; the engine still stops its own work.
    EndInquiry();
    ActivateLocalServices(0);  // still marked activated, so the services go off
    // Devices are deleted only on the host's thread, which this is: the copy stays valid while
    // each device stops its discovery and raises its disconnections with no lock held.
    CArray<CDeviceDistant*, CDeviceDistant*> devices;
    {
        auto lock = DevicesLock();
        devices.Copy(m_aDevices);
    }
    for (auto* device : devices) device->DisconnectAllServices();
    stopPairRequestThread();
    if (!ControlStackService(IOCTL_SERVICE_START)) RaiseError(ERR_BTS_RESTART, kContext);
    m_bActivated = 0;
    return 1;
}
