// The connection monitor of a remote device: a pass every scan period (on the scheduler's
// thread, connection_scheduler.h) asks the stack whether the device still has a baseband link. Without one, each connected service has lost
// its link unannounced: it is reported ("Service %s on %s disconnected!"), disconnected on
// this side and marked; marked services are reconnected at each check until the reconnection
// time-out has passed since the loss. Dial-up is never reported.
#include <algorithm>
#include <cstdint>
#include <ctime>

#include "engine/device/device_distant.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/service_distant.h"
#include "platform/kernel/sync.h"

namespace {

constexpr const wchar_t* kContext = L"CDeviceDistant::doConnectionMonitorThreadWork";
constexpr const wchar_t* kScanPeriod = L"Scan Period";
constexpr const wchar_t* kReconnectionTimeout = L"Reconnection Timeout";
constexpr unsigned long kDefaultScanPeriodS = 5;
constexpr unsigned long kDefaultReconnectionTimeoutS = 90;
constexpr int kBasebandRecords = 7;

// The wait between two checks; a huge setting waits as long as a wait can.
DWORD PeriodMs(unsigned long seconds) {
    return static_cast<DWORD>(std::min<std::uint64_t>(std::uint64_t{seconds} * 1000, INFINITE - 1));
}

// A failed query (more links than records included) counts as no link.
bool HasBasebandLink(BASEBAND_CONNECTION (&records)[kBasebandRecords], BT_ADDR address) {
    int returned = 0;
    if (BthGetBasebandConnections(kBasebandRecords, records, &returned) != 0) return false;
    returned = std::clamp(returned, 0, kBasebandRecords);
    return std::any_of(records, records + returned, [address](const BASEBAND_CONNECTION& link) { return link.bta == address; });
}

}  // namespace

DWORD CDeviceDistant::doConnectionMonitorThreadWork() {
    if (m_monitorStopping.load()) return INFINITE;
    if (!m_monitorSettingsRead) {
        // Read once, on the monitor's thread, before the first wait.
        CRegistry registry;
        m_scanPeriodS = registry.ReadSettingDword(kScanPeriod, kDefaultScanPeriodS);
        m_reconnectionTimeoutS = registry.ReadSettingDword(kReconnectionTimeout, kDefaultReconnectionTimeoutS);
        m_monitorSettingsRead = true;
        return PeriodMs(m_scanPeriodS);
    }
    BASEBAND_CONNECTION records[kBasebandRecords] = {};
    if (watchesAService() && !HasBasebandLink(records, m_btAddr)) checkConnections(m_reconnectionTimeoutS);
    return PeriodMs(m_scanPeriodS);
}

// A connected service, or one whose link was lost: without one a pass has nothing to do, and
// the stack is not asked.
bool CDeviceDistant::watchesAService() const {
    std::lock_guard lock(m_servicesLock);
    for (int index = 0; index < m_aServices.GetSize(); ++index)
        if (m_aServices[index]->IsConnected() || m_aServices[index]->GetDistantDisconnection()) return true;
    return false;
}

void CDeviceDistant::checkConnections(unsigned long reconnectionTimeout) {
    // The list is read afresh for each service: a discovery may empty and refill it meanwhile.
    // The hold keeps the service whole while it is used with the lock let go.
    for (int index = 0; !m_monitorStopping.load(); ++index) {
        CServiceDistant* service = nullptr;
        InUse::Hold hold;
        {
            std::lock_guard lock(m_servicesLock);
            if (index >= m_aServices.GetSize()) return;
            service = m_aServices[index];
            hold = m_servicesInUse.Take();
        }
        const CString name = service->GetName();
        if (service->IsConnected() && name != L"Dial-Up Networking") {
            CString message;
            message.Format(L"Service %s on %s disconnected!", name, GetName());
            PostError(ERR_SERVICE_DISCONNECTED, kContext, 0, message, ERROR_TYPE_ERROR);
            service->DistantDisconnect();
            service->SetDistantDisconnection();
            service->CountDistantDisconnection();
        }
        if (service->GetDistantDisconnection() &&
            std::difftime(std::time(nullptr), service->GetDistantDisconnectionTime()) < reconnectionTimeout)
            service->ReConnect();
    }
}
