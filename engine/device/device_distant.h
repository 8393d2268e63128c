#pragma once
// One remote device: identity, paired state, the services found on it by SDP search and the
// services that exist because a shortcut names them.
//
// Locking and lifetime. The service lists change on the device's discovery thread; read them
// while holding ServicesLock(), on any thread, callbacks included (after DevicesLock() when
// both are held). It is a plain mutex: while holding it call nothing of the engine but the
// accessors of the listed services. No engine lock is held while a host callback runs.
//
// Found services are deleted only by FindServices (which forgets the last search) and by the
// device's destructor, on the host's thread; shortcut services only by the destructor. Each is
// taken out of its list under the lock; with the lock let go, its connection attempt is waited
// for, a connected service is disconnected (NOTIFY_DISCONNECTED), and then it is deleted. So a
// service pointer
//  - read from GetServices() under ServicesLock() is valid while the lock is held and, on the
//    host's thread, until that thread next calls FindServices on this device or the device goes;
//  - handed to a callback (NOTIFY_CONNECTING, NOTIFY_CONNECTED, NOTIFY_CONNECT_FAILED,
//    NOTIFY_DISCONNECTED) is valid until the callback returns, and on the host's thread as above.
// The device itself goes when the local device forgets it (see device_local.h).
//
// Each device is watched by a connection monitor for its whole life (connection_monitor.cpp,
// all devices' passes on one scheduler thread): every
// "Scan Period" seconds it asks the stack for baseband links and, when the device has none,
// reports its connected services as lost and then reconnects them for up to "Reconnection
// Timeout" seconds. It calls into a service only while holding it in use, and the lists' owners
// wait for such holds before they delete a service.
#include <mutex>

#include "engine/device/device.h"
#include "engine/frame/in_use.h"
#include "engine/frame/worker_thread.h"
#include "platform/mfc/carray.h"

class CServiceDistant;

enum SERVICE_ARRAY { SERVICE_ARRAY_FOUND = 0, SERVICE_ARRAY_SHORTCUT = 1 };

class NIMBREL_API CDeviceDistant : public CDevice {
public:
    CDeviceDistant(BT_ADDR address, CString name, unsigned int classOfDevice, int paired);
    ~CDeviceDistant() override;

    int IsPaired() const { return m_bPaired.load(); }
    int GetFoundServices() const { return m_bFoundServices.load(); }
    // Read both lists while holding ServicesLock() (see above).
    CArray<CServiceDistant*, CServiceDistant*>& GetServices() { return m_aServices; }
    CArray<CServiceDistant*, CServiceDistant*>& GetShortcutServices() { return m_aShortcutServices; }
    std::unique_lock<std::mutex> ServicesLock() const { return std::unique_lock(m_servicesLock); }

    CServiceDistant* GetService(unsigned int id);
    CServiceDistant* AddDistantService(unsigned int id, unsigned int comPort);
    CServiceDistant* AddShortcutService(unsigned int id, unsigned int comPort);
    // Takes the first shortcut service with this identifier out of the shortcut list, shuts it
    // down and deletes it; 1 when there was one. On the host's thread.
    int DeleteShortcutService(unsigned int id);
    int FindServices() { return BeginInquiry(); }
    void Update();
    void DisconnectAllServices();

    // Pairing (pairing.cpp). Each blocks the caller for the stack's pairing exchange; `length`
    // is the PIN's length in characters as typed, and the stack gets their UTF-8 bytes: more
    // than 16 is reported (70403) and fails as a refused PIN does. Every change of the paired
    // state raises NOTIFY_PAIRING_CHANGED.
    void AskPairRequest(int length, const wchar_t* pin);
    void AnswerPairRequest(int length, const wchar_t* pin);
    void RefusePairRequest();
    void Unpair();

    // One pass of the connection monitor (the first reads its settings); the wait until the
    // next in milliseconds, INFINITE once the device is going.
    DWORD doConnectionMonitorThreadWork();

    // The SDP search for one service class (see service_discovery.cpp); 0 when the lookup
    // succeeded, with the number of records the device holds for it.
    int doInquiryServiceId(GUID serviceClass, WORD minAttribute, WORD maxAttribute, int* records);

protected:
    void deleteKnownElements() override;
    void doInquiryThreadWork() override;
    CServiceDistant* addServiceToArray(int which, unsigned int id, unsigned int comPort);
    void pairRequestResult(int result);

private:
    bool watchesAService() const;
    // One pass of the monitor over the found services; `reconnectionTimeout` in seconds.
    void checkConnections(unsigned long reconnectionTimeout);
    // Shuts a service that is out of every list down and deletes it, once the monitor lets go.
    void destroyService(CServiceDistant* service);
    // Takes every service out of the list, then (no lock held) shuts each down and deletes it.
    void deleteServices(CArray<CServiceDistant*, CServiceDistant*>& list);

    std::atomic<int> m_bPaired;
    std::atomic<int> m_bFoundServices{0};
    mutable std::mutex m_servicesLock;
    CArray<CServiceDistant*, CServiceDistant*> m_aServices;
    CArray<CServiceDistant*, CServiceDistant*> m_aShortcutServices;
    InUse m_servicesInUse;  // services the monitor calls into after letting go of the lock
    std::atomic<bool> m_monitorStopping{false};
    // The monitor's settings, on its thread only.
    bool m_monitorSettingsRead = false;
    unsigned long m_scanPeriodS = 0;
    unsigned long m_reconnectionTimeoutS = 0;
};

// The registry value name of a paired device's name or class: "%04x%08x" + suffix.
NIMBREL_API CString PairedValueName(BT_ADDR address, const wchar_t* suffix);
