#pragma once
// Worker threads in the manner of the handheld's class library: created (usually suspended),
// resumed, optionally deleting themselves when their function returns.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

using AFX_THREADPROC = UINT (*)(void* parameter);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC proc, void* parameter);
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the kernel thread; false when it could not be made.
    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0, void* security = nullptr);
    DWORD ResumeThread();
    BOOL SetThreadPriority(int priority);
    int GetThreadPriority();
    operator HANDLE() const { return m_hThread; }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // When true (the default) the object deletes itself as its thread ends. Change it only
    // while the thread is suspended, or before it can end.
    BOOL m_bAutoDelete = TRUE;

private:
    static DWORD ThreadEntry(void* self);
    AFX_THREADPROC proc_;
    void* parameter_;
};

// Creates a worker thread running proc(parameter); null when it could not be created.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* parameter, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, void* security = nullptr);

#pragma GCC visibility pop
