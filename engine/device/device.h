#pragma once
// The common base of the local device and the remote devices: identity, and the frame of the
// discovery thread (begin, end, clear, the thread body) whose work each subclass supplies.
//
// The frame runs one discovery thread at a time. EndInquiry asks it to stop: the flag is
// tested between results and between searches, and the lookup in progress is ended, even one
// that was begun an instant before the stop request. A discovery that has announced its end
// (NOTIFY_INQUIRY_END) no longer counts as running: a new one waits for it to return.
#include <atomic>
#include <mutex>

#include "engine/frame/export.h"
#include "engine/frame/worker_thread.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"

class NIMBREL_API CDevice {
public:
    CDevice();
    virtual ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    CString GetName() const;
    BT_ADDR GetBtAddr() const { return m_btAddr; }
    unsigned int GetClass() const { return m_uiClass.load(); }

    // Starts the discovery thread (after forgetting what the last one found); 1 when a
    // discovery thread exists afterwards. Called on the host's thread.
    int BeginInquiry();
    // Stops a running discovery and waits for its thread.
    void EndInquiry();
    // Forgets the last discovery's results; 0 (and nothing forgotten) while one still runs.
    int Clear();
    static UINT doInquiryThread(void* device);

protected:
    // Forget what the last discovery found. Runs on the host's thread with no discovery thread
    // left; it must not hold a list lock while it waits for threads or deletes objects.
    virtual void deleteKnownElements() {}
    virtual void doInquiryThreadWork() {}

    void SetName(const CString& name);
    bool StopRequested() const { return m_inquiryThread.StopRequested(); }
    // Makes a lookup just begun the one EndInquiry ends. False when a stop was asked already:
    // the lookup is then ended here, and the caller goes no further with it.
    bool holdLookup(HANDLE lookup);
    // Ends the held lookup, unless EndInquiry has ended it already.
    void endLookup();

    BT_ADDR m_btAddr = 0;
    std::atomic<unsigned int> m_uiClass{0};

private:
    mutable std::mutex m_nameLock;  // the name changes on worker threads while the host reads it
    CString m_sName;
    WorkerThread m_inquiryThread;
    std::atomic<bool> m_bInquiryEnding{false};  // the thread has finished its work and announces the end
    std::mutex m_lookupLock;                    // the lookup handle, against the stop request
    HANDLE m_hLookup = nullptr;
};
