#pragma once
// One remote device: identity, paired state, the services found on it by SDP search and the
// services that exist because a shortcut names them.
#include <mutex>

#include "engine/device/device.h"
#include "platform/mfc/carray.h"

class CServiceDistant;

enum SERVICE_ARRAY { SERVICE_ARRAY_FOUND = 0, SERVICE_ARRAY_SHORTCUT = 1 };

class NIMBREL_API CDeviceDistant : public CDevice {
public:
    CDeviceDistant(BT_ADDR address, CString name, unsigned int classOfDevice, int paired);
    ~CDeviceDistant() override;

    int IsPaired() const { return m_bPaired.load(); }
    int GetFoundServices() const { return m_bFoundServices.load(); }
    // The arrays change on the discovery thread; hold ServicesLock() while reading them.
    CArray<CServiceDistant*, CServiceDistant*>& GetServices() { return m_aServices; }
    CArray<CServiceDistant*, CServiceDistant*>& GetShortcutServices() { return m_aShortcutServices; }
    std::unique_lock<std::recursive_mutex> ServicesLock() const { return std::unique_lock(m_servicesLock); }

    CServiceDistant* GetService(unsigned int id);
    CServiceDistant* AddDistantService(unsigned int id, unsigned int comPort);
    CServiceDistant* AddShortcutService(unsigned int id, unsigned int comPort);
    int FindServices() { return BeginInquiry(); }
    void Update();
    void DisconnectAllServices();

    // The SDP search for one service class (see service_discovery.cpp); 0 when the lookup
    // succeeded, with the number of records the device holds for it.
    int doInquiryServiceId(GUID serviceClass, WORD minAttribute, WORD maxAttribute, int* records);

protected:
    void deleteKnownElements() override;
    void doInquiryThreadWork() override;
    CServiceDistant* addServiceToArray(int which, unsigned int id, unsigned int comPort);

private:
    std::atomic<int> m_bPaired;
    std::atomic<int> m_bFoundServices{0};
    mutable std::recursive_mutex m_servicesLock;
    CArray<CServiceDistant*, CServiceDistant*> m_aServices;
    CArray<CServiceDistant*, CServiceDistant*> m_aShortcutServices;
};

// The registry value name of a paired device's name or class: "%04x%08x" + suffix.
CString PairedValueName(BT_ADDR address, const wchar_t* suffix);
