#include "platform/mfc/winthread.h"

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

CWinThread::CWinThread(AFX_THREADPROC proc, void* parameter) : proc_(proc), parameter_(parameter) {}

CWinThread::~CWinThread() {
    if (m_hThread) CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, void* security) {
    // Always start suspended so that the handle and id are in place before the body runs.
    m_hThread = ::CreateThread(security, stackSize, &CWinThread::ThreadEntry, this, createFlags | CREATE_SUSPENDED,
                               &m_nThreadID);
    if (!m_hThread) return FALSE;
    if (!(createFlags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
    return TRUE;
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
BOOL CWinThread::SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
int CWinThread::GetThreadPriority() { return ::GetThreadPriority(m_hThread); }

DWORD CWinThread::ThreadEntry(void* self) {
    auto* thread = static_cast<CWinThread*>(self);
    UINT code = thread->proc_ ? thread->proc_(thread->parameter_) : 0;
    if (thread->m_bAutoDelete) delete thread;
    return code;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* parameter, int priority, UINT stackSize, DWORD createFlags,
                           void* security) {
    auto* thread = new CWinThread(proc, parameter);
    if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize, security)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if (!(createFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}
