#pragma once
// A service offered by a remote device. Connecting runs on a thread of its own, one attempt
// at a time; the outcome reaches the host as a notification. Connect, Disconnect and
// cancelConnection may be called from different threads (the host's, the connection monitor's).
//
// Going away takes two steps: the owner calls shutDown() while the object is whole (it waits
// for a connection attempt and disconnects a connected service, raising NOTIFY_DISCONNECTED),
// then deletes it. Subclasses need not do anything for it in their destructors.
#include <atomic>
#include <ctime>
#include <mutex>

#include "engine/service/service.h"

class NIMBREL_API CServiceDistant : public CService {
public:
    explicit CServiceDistant(CDevice* device);
    // A service that was not shut down only has its connection thread waited for here.
    ~CServiceDistant() override;

    // The first step of going away; see above. Not from a callback of the service's own attempt.
    void shutDown();

    // Starts a connection attempt; returns the connected flag as it stands (normally 0).
    int Connect();
    // 1 when the service is not connected afterwards.
    int Disconnect();
    // 1 when no connection thread is left; 0 while one still runs (it is not stopped).
    int cancelConnection();
    // From any thread: a running attempt gives up waiting on the peer, so that it fails soon
    // (a peer that never answers does not hold it for its whole time-out).
    void AbandonConnectionAttempt();
    // Waits until a running connection attempt has ended (at once on that attempt's own thread).
    void WaitForConnectionAttempt() { m_connectionThread.Join(); }

    virtual void SetDistantDisconnection();
    virtual int ReConnect() { return Connect(); }
    virtual int DistantDisconnect() { return Disconnect(); }
    void UnsetDistantDisconnection() { m_bDistantDisconnection = 0; }
    int GetDistantDisconnection() const { return m_bDistantDisconnection.load(); }
    std::time_t GetDistantDisconnectionTime() const { return m_tDistantDisconnectionTime.load(); }
    int GetDistantDisconnectionCount() const { return m_iDistantDisconnectionCount.load(); }
    void CountDistantDisconnection() { ++m_iDistantDisconnectionCount; }

    // The service's shortcut in the registry (service_shortcut.cpp, layout in shortcut_keys.h).
    // SaveShortcut writes it (again) and adds a shortcut service to the owner device; 1 on
    // success. DeleteShortcut removes the service's key, and the device key when no service key
    // is left; 1 on success.
    virtual int SaveShortcut();
    virtual int DeleteShortcut();

    static UINT DoConnectionProcThread(void* service);

protected:
    virtual int makeConnection() { return 0; }
    virtual int makeDisconnection() { return 0; }
    // From any thread: a makeConnection waiting on the peer gives up.
    virtual void interruptConnection() {}

    std::atomic<int> m_iDistantDisconnectionCount{0};
    std::atomic<std::time_t> m_tDistantDisconnectionTime{0};
    std::atomic<int> m_bDistantDisconnection{0};

private:
    std::mutex m_disconnectLock;  // held over makeDisconnection, never over a notification
};
