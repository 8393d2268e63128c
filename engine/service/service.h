#pragma once
// The root of every service the engine knows, offered by a remote device or by this one.
#include <atomic>
#include <mutex>
#include <vector>

#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"
#include "engine/frame/worker_thread.h"

class CDevice;

// Service identifiers.
constexpr unsigned int SERVICE_ID_SPP = 1;
constexpr unsigned int SERVICE_ID_FTP = 2;
constexpr unsigned int SERVICE_ID_OPP = 3;
constexpr unsigned int SERVICE_ID_DUN = 4;
constexpr unsigned int SERVICE_ID_SERVER_SPP = 100;
constexpr unsigned int NO_COM_PORT = 99;

class NIMBREL_API CService {
public:
    explicit CService(CDevice* device);
    virtual ~CService();
    CService(const CService&) = delete;
    CService& operator=(const CService&) = delete;

    int IsConnected() const { return m_bConnected.load(); }
    void SetConnected(int connected) { m_bConnected = connected; }
    int IsAuthenticated() const { return m_bAuthenticated.load(); }
    void SetAuthenticated(int on) { m_bAuthenticated = on; }
    int IsEncrypted() const { return m_bEncrypted.load(); }
    void SetEncrypted(int on) { m_bEncrypted = on; }
    unsigned int GetID() const { return m_uiID; }
    CString GetName() const;
    unsigned int GetComPort() const { return m_uiComPort.load(); }
    void SetComPort(unsigned int port) { m_uiComPort = port; }
    void ResetService() { m_uiComPort = NO_COM_PORT; }
    CDevice* GetDevice() const { return m_pDevice; }

    // The COM port indexes 0 to 9, rising, that the Bluetooth serial driver can take now: each
    // is registered for a client port to the owner device and released at once.
    std::vector<int> getAvailablePortComList();

protected:
    void setIdentity(unsigned int id, const CString& name);

    std::atomic<int> m_bConnected{0};
    std::atomic<int> m_bAuthenticated{0};
    std::atomic<int> m_bEncrypted{0};
    unsigned int m_uiID = 0;
    CString m_sName;
    std::atomic<unsigned int> m_uiComPort{NO_COM_PORT};
    CDevice* m_pDevice;
    WorkerThread m_connectionThread;
    HANDLE m_hConnectionLock = nullptr;  // at most one connection attempt at a time
};
