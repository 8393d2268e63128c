#include "engine/device/device.h"

#include "engine/frame/bth_stack.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"

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
    if (!Clear()) return 1;  // the running discovery goes on
    m_bInquiryEnding.store(false);
    return m_inquiryThread.Start(&CDevice::doInquiryThread, this) ? 1 : 0;
}

void CDevice::EndInquiry() {
    if (m_inquiryThread.IsCurrent()) {  // from a callback of the discovery itself: it ends soon
        m_inquiryThread.RequestStop();
        return;
    }
    if (!m_inquiryThread.IsRunning()) {
        m_inquiryThread.Join();
        return;
    }
    m_inquiryThread.RequestStop();
    {
        // Ending the lookup releases a thread blocked in it.
        std::lock_guard lock(m_lookupLock);
        if (m_hLookup) BthNsLookupServiceEnd(m_hLookup);
        m_hLookup = nullptr;
    }
    if (!m_inquiryThread.Join(kInquiryStopWaitMs)) {
        // A thread is never killed: say that it is late, and wait for it.
        RaiseError(ERR_INQUIRY_NO_STOP, L"CDevice::EndInquiry");
        m_inquiryThread.Join();
    }
}

int CDevice::Clear() {
    if (m_inquiryThread.IsRunning()) {
        // A thread that has announced its end only returns; the discovery thread itself (a host
        // callback of its own 1026) cannot wait for itself.
        if (!m_bInquiryEnding.load() || m_inquiryThread.IsCurrent()) {
            RaiseError(ERR_INQUIRY_RUNNING, L"CDevice::Clear");
            return 0;
        }
    }
    m_inquiryThread.Join();
    deleteKnownElements();
    return 1;
}

bool CDevice::holdLookup(HANDLE lookup) {
    std::lock_guard lock(m_lookupLock);
    if (StopRequested()) {
        BthNsLookupServiceEnd(lookup);
        return false;
    }
    m_hLookup = lookup;
    return true;
}

void CDevice::endLookup() {
    std::lock_guard lock(m_lookupLock);
    if (m_hLookup) BthNsLookupServiceEnd(m_hLookup);
    m_hLookup = nullptr;
}

UINT CDevice::doInquiryThread(void* device) {
    auto* self = static_cast<CDevice*>(device);
    FireNotification(NOTIFY_INQUIRY_BEGIN, 0);
    self->doInquiryThreadWork();
    self->m_bInquiryEnding.store(true);
    FireNotification(NOTIFY_INQUIRY_END, 0);
    return 0;
}
