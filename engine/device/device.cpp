#include "engine/device/device.h"

#include "engine/frame/bth_stack.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace {
constexpr DWORD kInquiryStopWaitMs = 3000;
}

CDevice::CDevice() = default;

CDevice::~CDevice() { EndInquiry(); }

CString CDevice::GetName() const {
    std::lock_guard lock(m_nameLock);
    return m_sName;
}

void CDevice::SetName(const CString& name) {
    std::lock_guard lock(m_nameLock);
    m_sName = name;
}

int CDevice::BeginInquiry() {
    m_bStop.store(0);
    if (!Clear()) return m_pInquiryThread ? 1 : 0;  // the running discovery goes on
    CWinThread* thread = AfxBeginThread(&CDevice::doInquiryThread, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!thread) return 0;
    thread->m_bAutoDelete = FALSE;
    m_pInquiryThread = thread;
    thread->ResumeThread();
    return 1;
}

void CDevice::EndInquiry() {
    if (!m_pInquiryThread) return;
    m_bStop.store(1);
    // Ending the lookup releases a thread blocked in it.
    if (HANDLE lookup = m_hLookup.load()) BthNsLookupServiceEnd(lookup);
    if (WaitForSingleObject(m_pInquiryThread->m_hThread, kInquiryStopWaitMs) == WAIT_TIMEOUT) {
        // A thread is never killed: say that it is late, and wait for it.
        RaiseError(ERR_INQUIRY_NO_STOP, L"CDevice::EndInquiry");
        WaitForSingleObject(m_pInquiryThread->m_hThread, INFINITE);
    }
    delete m_pInquiryThread;
    m_pInquiryThread = nullptr;
}

int CDevice::Clear() {
    if (m_pInquiryThread) {
        DWORD exitCode = 0;
        if (GetExitCodeThread(m_pInquiryThread->m_hThread, &exitCode)) {
            if (exitCode == STILL_ACTIVE) {
                RaiseError(ERR_INQUIRY_RUNNING, L"CDevice::Clear");
                return 0;
            }
        } else {
            // The thread cannot be asked about: wait for it rather than kill it.
            DWORD error = GetLastError();
            WaitForSingleObject(m_pInquiryThread->m_hThread, INFINITE);
            RaiseError(static_cast<int>(error), L"CDevice::Clear");
        }
        delete m_pInquiryThread;
        m_pInquiryThread = nullptr;
    }
    deleteKnownElements();
    return 1;
}

UINT CDevice::doInquiryThread(void* device) {
    auto* self = static_cast<CDevice*>(device);
    FireNotification(NOTIFY_INQUIRY_BEGIN, 0);
    self->doInquiryThreadWork();
    FireNotification(NOTIFY_INQUIRY_END, 0);
    return 0;
}
