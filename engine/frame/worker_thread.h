#pragma once
// The one owner of one engine thread at a time: starts it (created suspended, auto-delete off,
// then resumed), asks it to stop, and joins it. Every member may be called from any thread;
// a thread object is released only once its thread has ended and nobody waits on it.
#include <atomic>
#include <memory>
#include <mutex>

#include "engine/frame/export.h"
#include "platform/kernel/types.h"
#include "platform/mfc/winthread.h"

class NIMBREL_API WorkerThread {
public:
    WorkerThread();
    // Asks a running thread to stop and waits for it.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs proc(parameter) on a new thread, with the stop request cleared. False when the
    // thread could not be created, or when the previous thread still runs.
    bool Start(AFX_THREADPROC proc, void* parameter);
    // Sets the stop flag and signals the stop event; the thread decides when to end.
    void RequestStop();
    bool StopRequested() const { return m_bStop.load(); }
    // A manual-reset event, signalled by RequestStop, for threads that wait on other objects.
    HANDLE StopEvent() const { return m_hStop; }
    // Waits up to `milliseconds` for the thread, then releases its object. True when no thread
    // is left; false on time-out, and at once when called on the thread itself.
    bool Join(DWORD milliseconds = INFINITE);
    // A thread exists and has not ended yet.
    bool IsRunning() const;
    // The caller is the owned thread.
    bool IsCurrent() const;

private:
    std::shared_ptr<CWinThread> current() const;

    mutable std::mutex m_lock;
    std::shared_ptr<CWinThread> m_pThread;  // shared with a Join that waits on it
    HANDLE m_hStop = nullptr;
    std::atomic<bool> m_bStop{false};
};
