#pragma once
// The engine's root object: the local radio. The host makes exactly one and reaches every
// other engine object through it.
#include <atomic>
#include <mutex>

#include "engine/device/device.h"
#include "engine/device/device_distant.h"
#include "engine/frame/export.h"
#include "platform/mfc/carray.h"

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

    // The device lists change on the discovery and pair-request threads: hold
    // DevicesLock() while reading them. Devices are deleted only by FindDevices (which
    // forgets the last discovery) and by the destructor, both on the host's thread.
    CArray<CDeviceDistant*, CDeviceDistant*>& GetDevices() { return m_aDevices; }
    CArray<CDeviceDistant*, CDeviceDistant*>& GetShortcutDevices() { return m_aShortcutDevices; }
    std::unique_lock<std::recursive_mutex> DevicesLock() const { return std::unique_lock(m_devicesLock); }
    int GetFoundDevices() const { return m_bFoundDevices.load(); }
    int FindDevices();
    // The listed device with this address, else a new one (announced with NOTIFY_DEVICE_ADDED).
    CDeviceDistant* addDevice(BT_ADDR address, CString name, unsigned int classOfDevice, int paired);
    CDeviceDistant* getDeviceDistant(BT_ADDR address);

    int DoPairRequestThreadWork();

protected:
    void deleteKnownElements() override;
    void doInquiryThreadWork() override;
    void findPairedDevices();
    void findDistantDevices();

private:
    int activateOn();
    int activateOff();
    void startPairRequestThread();
    void stopPairRequestThread();
    static UINT pairRequestThread(void* device);
    // Reads the hardware status until it runs: one read, then at most ten more a second apart;
    // returns 0 when it runs, else the error to report.
    int waitForHardware();

    std::atomic<int> m_bActivated{0};
    std::atomic<int> m_bFindable{1};
    std::atomic<int> m_bAuthenticate{0};
    std::atomic<int> m_bFoundDevices{0};
    mutable std::recursive_mutex m_devicesLock;
    CArray<CDeviceDistant*, CDeviceDistant*> m_aDevices;
    CArray<CDeviceDistant*, CDeviceDistant*> m_aShortcutDevices;
    CWinThread* m_pPairRequestThread = nullptr;
    HANDLE m_hPairRequestStop = nullptr;
};
