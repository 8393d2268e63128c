#pragma once
// The engine's root object: the local radio. The host makes exactly one and reaches every
// other engine object through it.
//
// Locking and lifetime. The device lists change on engine threads (discovery, pair requests);
// read them while holding DevicesLock(), on any thread, callbacks included. The lock is a plain
// mutex: while holding it, call nothing of the engine but the accessors of the listed devices
// (and a device's ServicesLock(), taken after DevicesLock()). The engine holds no lock of its
// own while a host callback or error receiver runs, and never waits for a thread while it
// holds a list lock.
//
// Devices are deleted only by FindDevices (which forgets the last discovery) and by the
// destructor, called on the host's own thread and never from a callback. They take the devices
// out of the list under the lock, let go of it, wait for every engine thread and callback still
// using them, then delete them. So a device pointer
//  - read from GetDevices() under DevicesLock() is valid while the lock is held and, on the
//    host's thread, until that thread next calls FindDevices or deletes the local device;
//  - handed to a NOTIFY_PIN_REQUEST callback, or returned by addDevice or getDeviceDistant, is
//    valid until the callback returns and, on the host's thread, until the same calls.
// Shortcut devices live as long as the local device.
//
// Local services are added by the host and live as long as the local device; the list is only
// changed on the host's thread. Read it under LocalServicesLock() from other threads.
#include <atomic>
#include <mutex>

#include "engine/device/device.h"
#include "engine/device/device_distant.h"
#include "engine/frame/export.h"
#include "engine/frame/in_use.h"
#include "engine/frame/worker_thread.h"
#include "platform/mfc/carray.h"

class CServiceLocal;

class NIMBREL_API CDeviceLocal : public CDevice {
public:
    CDeviceLocal();
    ~CDeviceLocal() override;

    // Switches the engine on (non-zero) or off; non-zero when the engine is then as asked.
    int Activate(int on);
    int GetActivated() const { return m_bActivated.load(); }

    void SetFindable(int findable);
    int GetFindable() const { return m_bFindable.load(); }
    void SetAuthenticate(int on);
    int GetAuthenticate() const { return m_bAuthenticate.load(); }

    // Read both lists while holding DevicesLock() (see above).
    CArray<CDeviceDistant*, CDeviceDistant*>& GetDevices() { return m_aDevices; }
    CArray<CDeviceDistant*, CDeviceDistant*>& GetShortcutDevices() { return m_aShortcutDevices; }
    std::unique_lock<std::mutex> DevicesLock() const { return std::unique_lock(m_devicesLock); }
    int GetFoundDevices() const { return m_bFoundDevices.load(); }

    // The device takes the service over; 1.
    int AddLocalService(CServiceLocal* service);
    // Read while holding LocalServicesLock() on any thread but the host's own.
    CArray<CServiceLocal*, CServiceLocal*>& GetLocalServices() { return m_aLocalServices; }
    std::unique_lock<std::mutex> LocalServicesLock() const { return std::unique_lock(m_localServicesLock); }
    // With the engine on: (de)activates each local service in order until one fails; 1 when
    // all succeeded. With the engine off: nothing, 1.
    int ActivateLocalServices(int on);
    int FindDevices();
    // The listed device with this address, else a new one (announced with NOTIFY_DEVICE_ADDED).
    CDeviceDistant* addDevice(BT_ADDR address, CString name, unsigned int classOfDevice, int paired);
    CDeviceDistant* getDeviceDistant(BT_ADDR address);

    int DoPairRequestThreadWork();

    // Shortcuts (shortcut_store.cpp), on the host's thread. A shortcut is a device address and
    // a service identifier; the shortcut devices are objects of their own, apart from the
    // device list.
    // The shortcut device with this address (unchanged), else a new one appended.
    CDeviceDistant* AddShortcutDevice(BT_ADDR address, CString name, unsigned int classOfDevice, int paired);
    CDeviceDistant* GetShortcutDeviceDistant(BT_ADDR address);
    // 1 when a shortcut of the service's device address and identifier is loaded.
    int ShortcutAlreadySaved(CServiceDistant* service);
    // The found service of a listed device that the shortcut stands for, or null.
    CServiceDistant* GetServiceFromShortcut(CServiceDistant* shortcut);
    // Removes the shortcut from the registry and from memory; 0 when none matches.
    int DeleteShortcut(CServiceDistant* shortcut);

protected:
    void deleteKnownElements() override;
    void doInquiryThreadWork() override;
    void findPairedDevices();
    void findDistantDevices();
    // 1 when the shortcut subtree was read to its end; 0 when a key would not open (what was
    // read before stays loaded).
    int loadShortcutsFromRegistry();

private:
    // With the list lock held: the listed device with this address, else a new one appended
    // (`added` tells which).
    CDeviceDistant* findOrAppend(BT_ADDR address, const CString& name, unsigned int classOfDevice, int paired,
                                 bool* added);
    CDeviceDistant* findListed(BT_ADDR address) const;
    // Takes every device out of the list, then (no lock held) waits until none is in use and
    // deletes them.
    void deleteDevices(CArray<CDeviceDistant*, CDeviceDistant*>& list);
    void deleteLocalServices();
    int activateOn();
    int activateOff();
    bool startPairRequestThread();
    void stopPairRequestThread();
    static UINT pairRequestThread(void* device);
    // Reads the hardware status until it runs: one read, then at most ten more a second apart;
    // returns 0 when it runs, else the error to report.
    int waitForHardware();

    std::atomic<int> m_bActivated{0};
    std::atomic<int> m_bFindable{1};
    std::atomic<int> m_bAuthenticate{0};
    std::atomic<int> m_bFoundDevices{0};
    mutable std::mutex m_devicesLock;
    CArray<CDeviceDistant*, CDeviceDistant*> m_aDevices;
    CArray<CDeviceDistant*, CDeviceDistant*> m_aShortcutDevices;
    mutable std::mutex m_localServicesLock;
    CArray<CServiceLocal*, CServiceLocal*> m_aLocalServices;
    InUse m_devicesInUse;  // devices handed to callbacks outside the lock
    WorkerThread m_pairRequestThread;
    // Manual reset: signalled by the pair-request thread once it holds the PIN requests, or
    // has given up on them.
    HANDLE m_hPairThreadReady = nullptr;
};
