#pragma once
// The common base of the local device and the remote devices: identity, and the frame of the
// discovery thread (begin, end, clear, the thread body) whose work each subclass supplies.
#include <atomic>
#include <mutex>

#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"
#include "platform/mfc/winthread.h"

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
    // discovery thread exists afterwards.
    int BeginInquiry();
    // Stops a running discovery and waits for its thread.
    void EndInquiry();
    // Forgets the last discovery's results; 0 (and nothing forgotten) while one still runs.
    int Clear();
    static UINT doInquiryThread(void* device);

protected:
    virtual void deleteKnownElements() {}
    virtual void doInquiryThreadWork() {}

    void SetName(const CString& name);
    bool StopRequested() const { return m_bStop.load() != 0; }
    // The lookup in progress, so that EndInquiry can end it from another thread.
    void SetLookup(HANDLE lookup) { m_hLookup.store(lookup); }

    BT_ADDR m_btAddr = 0;
    std::atomic<unsigned int> m_uiClass{0};

private:
    mutable std::mutex m_nameLock;  // the name changes on worker threads while the host reads it
    CString m_sName;
    CWinThread* m_pInquiryThread = nullptr;
    std::atomic<HANDLE> m_hLookup{nullptr};
    std::atomic<int> m_bStop{0};
};
