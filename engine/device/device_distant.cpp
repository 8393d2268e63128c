#include "engine/device/device_distant.h"

#include "engine/device/connection_scheduler.h"
#include "engine/device/remote_name.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "engine/service/client_dun.h"
#include "engine/service/client_spp.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/time.h"

namespace {

constexpr int kUpdateAttempts = 4;
constexpr DWORD kUpdateRetryMs = 50;
constexpr unsigned kNameCharacters = 255;

template <class Request>
bool WithRetries(Request request) {
    for (int attempt = 0; attempt < kUpdateAttempts; ++attempt) {
        if (attempt) Sleep(kUpdateRetryMs);
        if (request() == 0) return true;
    }
    return false;
}

}  // namespace

CString PairedValueName(BT_ADDR address, const wchar_t* suffix) {
    return CString(bth::AddressDigitsW(address)) + suffix;
}

CDeviceDistant::CDeviceDistant(BT_ADDR address, CString name, unsigned int classOfDevice, int paired)
    : m_bPaired(paired) {
    m_btAddr = address;
    m_uiClass = classOfDevice;
    SetName(name.IsEmpty() ? CString(L"Unknown") : name);
    ConnectionScheduler::Instance().Add(this);  // last: once everything a pass uses exists
}

CDeviceDistant::~CDeviceDistant() {
    EndInquiry();
    m_monitorStopping = true;  // a pass under way ends early
    ConnectionScheduler::Instance().Remove(this);
    deleteServices(m_aServices);
    deleteServices(m_aShortcutServices);
}

CServiceDistant* CDeviceDistant::addServiceToArray(int which, unsigned int id, unsigned int comPort) {
    CServiceDistant* service = nullptr;
    switch (id) {
        case SERVICE_ID_SPP: service = new CClientSpp(this); break;
        case SERVICE_ID_FTP: service = new CClientFtp(this); break;
        case SERVICE_ID_OPP: service = new CClientOpp(this); break;
        case SERVICE_ID_DUN: service = new CClientDun(this); break;
        default: return nullptr;
    }
    service->SetComPort(comPort);
    std::lock_guard lock(m_servicesLock);
    if (which == SERVICE_ARRAY_FOUND) m_aServices.Add(service);
    else if (which == SERVICE_ARRAY_SHORTCUT) m_aShortcutServices.Add(service);
    return service;
}

CServiceDistant* CDeviceDistant::GetService(unsigned int id) {
    std::lock_guard lock(m_servicesLock);
    for (auto* service : m_aServices)
        if (service->GetID() == id) return service;
    return nullptr;
}

CServiceDistant* CDeviceDistant::AddDistantService(unsigned int id, unsigned int comPort) {
    CServiceDistant* service = addServiceToArray(SERVICE_ARRAY_FOUND, id, comPort);
    FireNotification(NOTIFY_SERVICE_ADDED, 0);
    if (service) m_bFoundServices = 1;
    return service;
}

CServiceDistant* CDeviceDistant::AddShortcutService(unsigned int id, unsigned int comPort) {
    return addServiceToArray(SERVICE_ARRAY_SHORTCUT, id, comPort);
}

void CDeviceDistant::deleteKnownElements() {
    deleteServices(m_aServices);
    m_bFoundServices = 0;
}

void CDeviceDistant::deleteServices(CArray<CServiceDistant*, CServiceDistant*>& list) {
    CArray<CServiceDistant*, CServiceDistant*> taken;
    {
        std::lock_guard lock(m_servicesLock);
        taken.Copy(list);
        list.RemoveAll();
    }
    for (auto* service : taken) destroyService(service);
}

void CDeviceDistant::destroyService(CServiceDistant* service) {
    m_servicesInUse.WaitUnused();
    service->shutDown();  // while the object is whole: its virtual disconnection still runs
    delete service;
}

int CDeviceDistant::DeleteShortcutService(unsigned int id) {
    CServiceDistant* found = nullptr;
    {
        std::lock_guard lock(m_servicesLock);
        for (int i = 0; i < m_aShortcutServices.GetSize(); ++i) {
            if (m_aShortcutServices[i]->GetID() != id) continue;
            found = m_aShortcutServices[i];
            m_aShortcutServices.RemoveAt(i);
            break;
        }
    }
    if (!found) return 0;
    destroyService(found);
    return 1;
}

void CDeviceDistant::DisconnectAllServices() {
    EndInquiry();
    // Services are deleted only on the host's thread, which this is: the copy stays valid while
    // each disconnection is raised with no lock held.
    CArray<CServiceDistant*, CServiceDistant*> services;
    {
        std::lock_guard lock(m_servicesLock);
        services.Copy(m_aServices);
    }
    for (auto* service : services) service->Disconnect();
}

void CDeviceDistant::Update() {
    CRegistry registry;
    unsigned int classOfDevice = 0;
    bool gotClass = WithRetries([&] { return BthGetRemoteCOD(m_btAddr, &classOfDevice); });
    if (!gotClass) {
        RaiseError(ERR_REMOTE_COD, L"CDeviceDistant::Update");
    } else {
        m_uiClass = classOfDevice;
        if (IsPaired()) registry.WriteValueDword(PairedValueName(m_btAddr, L"_Class"), classOfDevice);
    }

    wchar_t buffer[kNameCharacters + 1] = {};
    bool gotName = WithRetries([&] {
        unsigned int required = 0;
        return BthRemoteNameQuery(m_btAddr, kNameCharacters, &required, buffer);
    });
    if (!gotName) {
        RaiseError(ERR_REMOTE_NAME, L"CDeviceDistant::Update");
    } else {
        buffer[kNameCharacters] = 0;
        CString name = RemoteDeviceName(buffer);
        SetName(name);
        if (IsPaired()) registry.WriteValueString(PairedValueName(m_btAddr, L"_Paired"), name);
    }
    if (gotClass || gotName) FireNotification(NOTIFY_PAIRING_CHANGED, 0);
}
