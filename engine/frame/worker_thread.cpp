#include "engine/frame/worker_thread.h"

#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

WorkerThread::WorkerThread() : m_hStop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WorkerThread::~WorkerThread() {
    RequestStop();
    Join();
    if (m_hStop) CloseHandle(m_hStop);
}

bool WorkerThread::Start(AFX_THREADPROC proc, void* parameter) {
    std::lock_guard lock(m_lock);
    if (m_pThread) {
        DWORD exitCode = 0;
        if (!GetExitCodeThread(m_pThread->m_hThread, &exitCode) || exitCode == STILL_ACTIVE) return false;
        m_pThread.reset();  // ended: a Join still waiting on it keeps its own share
    }
    m_bStop.store(false);
    if (m_hStop) ResetEvent(m_hStop);
    CWinThread* thread = AfxBeginThread(proc, parameter, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!thread) return false;
    thread->m_bAutoDelete = FALSE;
    m_pThread.reset(thread);
    thread->ResumeThread();
    return true;
}

void WorkerThread::RequestStop() {
    m_bStop.store(true);
    if (m_hStop) SetEvent(m_hStop);
}

std::shared_ptr<CWinThread> WorkerThread::current() const {
    std::lock_guard lock(m_lock);
    return m_pThread;
}

bool WorkerThread::Join(DWORD milliseconds) {
    std::shared_ptr<CWinThread> thread = current();
    if (!thread) return true;
    if (thread->m_nThreadID == GetCurrentThreadId()) return false;
    if (WaitForSingleObject(thread->m_hThread, milliseconds) != WAIT_OBJECT_0) return false;
    std::lock_guard lock(m_lock);
    if (m_pThread == thread) m_pThread.reset();
    return true;
}

bool WorkerThread::IsRunning() const {
    std::shared_ptr<CWinThread> thread = current();
    DWORD exitCode = 0;
    return thread && GetExitCodeThread(thread->m_hThread, &exitCode) && exitCode == STILL_ACTIVE;
}

bool WorkerThread::IsCurrent() const {
    std::shared_ptr<CWinThread> thread = current();
    return thread && thread->m_nThreadID == GetCurrentThreadId();
}
