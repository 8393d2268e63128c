#pragma once
// A service offered by a remote device. Connecting runs on a thread of its own, one attempt
// at a time; the outcome reaches the host as a notification.
#include <atomic>
#include <ctime>

#include "engine/service/service.h"

class NIMBREL_API CServiceDistant : public CService {
public:
    explicit CServiceDistant(CDevice* device);
    ~CServiceDistant() override;

    // Starts a connection attempt; returns the connected flag as it stands (normally 0).
    int Connect();
    // 1 when the service is not connected afterwards.
    int Disconnect();
    // 1 when no connection thread is left; 0 while one still runs (it is not stopped).
    int cancelConnection();

    virtual void SetDistantDisconnection();
    virtual int ReConnect() { return Connect(); }
    virtual int DistantDisconnect() { return Disconnect(); }
    void UnsetDistantDisconnection() { m_bDistantDisconnection = 0; }
    int GetDistantDisconnection() const { return m_bDistantDisconnection.load(); }
    int GetDistantDisconnectionCount() const { return m_iDistantDisconnectionCount.load(); }
    void CountDistantDisconnection() { ++m_iDistantDisconnectionCount; }

    static UINT DoConnectionProcThread(void* service);

protected:
    virtual int makeConnection() { return 0; }
    virtual int makeDisconnection() { return 0; }

    // Waits for a running connection attempt; each subclass destructor calls it first, so that
    // the attempt never runs on a half-destroyed object.
    void waitForConnectionThread();

    std::atomic<int> m_iDistantDisconnectionCount{0};
    std::atomic<std::time_t> m_tDistantDisconnectionTime{0};
    std::atomic<int> m_bDistantDisconnection{0};
};
