#pragma once
// A service this device offers to others. Activating it loads its server (the subclass's
// work) and publishes an SDP record for it in the local SDP database; deactivating unloads the
// server and removes the record. Connect and Disconnect load and unload the server alone, for
// the user, and leave the record as it is.
//
// Everything here runs on the caller's thread (the host's); nothing starts a thread. The
// connected flag is CService's: a server loaded by activation or by Connect shows connected.
#include <atomic>

#include "engine/service/service.h"
#include "platform/kernel/types.h"

class NIMBREL_API CServiceLocal : public CService {
public:
    explicit CServiceLocal(CDevice* device);
    // Removes a published record; a subclass unloads its own server in its own destructor.
    ~CServiceLocal() override;

    // Non-zero: loads the server and publishes the record (already active: nothing more);
    // 0: unloads and removes them. 1 when the service is then as asked.
    int Activate(int activate);
    int IsActive() const { return m_bActive.load(); }
    // Loads the server for the user; 1 when connected afterwards. A connected service is
    // disconnected instead, and the result is then the connected flag.
    int Connect();
    // Unloads the server; 1 when not connected afterwards.
    int Disconnect();
    unsigned int GetRfcommChannel() const { return m_uiRfcommChannel.load(); }
    ULONG GetRecordHandle() const { return m_ulRecordHandle; }

    static UINT DoServerThreadWork(void* service);

protected:
    // The service class to advertise; all zero here, which names no profile.
    virtual GUID getGuidLocalService() const { return GUID{}; }
    virtual void doServerWork() {}
    // 1 when the server is up; the subclass fills the RFCOMM channel.
    virtual int loadServer() { return 0; }
    virtual int unloadServer() { return 0; }

    // Builds the record and publishes it; the publication's result (0 on success), or 0 after
    // a record that could not be built (reported as 70900).
    int registerService();
    // 0 on success, -1 when the publication block can't be made, else the stack's result.
    int publishRecord(const BYTE* record, int length);
    // 0 on success (or when nothing is published), else the stack's result.
    int unregisterService();

    std::atomic<unsigned int> m_uiRfcommChannel{0};

private:
    ULONG m_ulRecordHandle = 0;  // written by the stack when the record is published; 0: none
    std::atomic<int> m_bActive{0};
};
