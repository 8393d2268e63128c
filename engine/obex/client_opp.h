#pragma once
// The Object Push client: sends one local file to a remote device's Object Push service, on a
// thread of its own, reporting progress through a callback.
#include "engine/frame/worker_thread.h"
#include "engine/obex/client_obex.h"

class NIMBREL_API CClientOpp : public CClientObex {
public:
    explicit CClientOpp(CDevice* device);
    // Aborts a push still running and waits for its thread.
    ~CClientOpp() override;
    GUID getGuidRequestedService() const override;

    // Starts pushing the file at `path` (its name is the part after the last separator); 1
    // when the push started. 0 when the client is not connected (70100) or a push still runs.
    virtual int PushObject(CString path, TRANSFER_PROGRESS_CALLBACK callback, long context);
    // The push thread's body: 1 when the remote device took every byte.
    int DoPushObjectThreadWork();
    // Waits for the push thread (none: at once); the last push's result.
    int WaitForPush();

private:
    static UINT pushThread(void* client);

    CString m_sFilePath;
    TRANSFER_PROGRESS_CALLBACK m_pCallback = nullptr;
    long m_lContext = 0;
    std::atomic<int> m_iPushResult{0};
    WorkerThread m_pushThread;
};
