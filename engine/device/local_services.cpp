// The services this device offers: added by the host, switched on and off with the engine.
#include "engine/device/device_local.h"
#include "engine/service/service_local.h"

int CDeviceLocal::AddLocalService(CServiceLocal* service) {
    std::lock_guard lock(m_localServicesLock);
    m_aLocalServices.Add(service);
    return 1;
}

int CDeviceLocal::ActivateLocalServices(int on) {
    if (!m_bActivated) return 1;
    // Services are deleted only on the host's thread, which this is: the copy stays valid while
    // each one loads its server and reports with no lock held.
    CArray<CServiceLocal*, CServiceLocal*> services;
    {
        std::lock_guard lock(m_localServicesLock);
        services.Copy(m_aLocalServices);
    }
    for (auto* service : services)
        if (!service->Activate(on)) return 0;
    return 1;
}

void CDeviceLocal::deleteLocalServices() {
    CArray<CServiceLocal*, CServiceLocal*> taken;
    {
        std::lock_guard lock(m_localServicesLock);
        taken.Copy(m_aLocalServices);
        m_aLocalServices.RemoveAll();
    }
    for (auto* service : taken) delete service;
}
