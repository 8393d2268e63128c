#include "platform/kernel/thread.h"

#include <chrono>
#include <system_error>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "platform/kernel/kernel_object.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr int kThreadPriorityErrorReturn = 0x7FFFFFFF;

// Nice value for each handheld priority (0 runs first, 7 last).
int NiceFor(int priority) {
    static const int kNice[] = {-10, -5, -2, 0, 2, 5, 10, 19};
    if (priority < 0) priority = 0;
    if (priority > 7) priority = 7;
    return kNice[priority];
}

class ThreadObject final : public platform::KernelObject {
public:
    ThreadObject(LPTHREAD_START_ROUTINE start, void* parameter) : start_(start), parameter_(parameter) {}
    ~ThreadObject() override {
        // The last reference may be dropped by the thread itself as it ends.
        if (thread_.joinable()) {
            if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
            else thread_.join();
        }
    }

    void Launch(std::shared_ptr<ThreadObject> self) {
        thread_ = std::thread([self = std::move(self)]() mutable {
            self->Run();
            self.reset();
        });
    }

    bool IsWaitable() const override { return true; }
    bool IsSignaled() const override { return finished_; }

    // All below with the wait lock held.
    DWORD Resume() {
        DWORD previous = suspendCount_;
        if (suspendCount_ > 0 && --suspendCount_ == 0) platform::WakeWaiters();
        return previous;
    }
    void Suspend() { suspendCount_ = 1; }
    bool finished() const { return finished_; }
    DWORD exitCode() const { return exitCode_; }
    int priority() const { return priority_; }
    void SetPriority(int priority) {
        priority_ = priority;
        if (tid_ != 0) ApplyPriority();
    }
    DWORD id() const { return static_cast<DWORD>(tid_); }

private:
    void Run() {
        {
            std::unique_lock lock(platform::WaitLock());
            tid_ = static_cast<pid_t>(syscall(SYS_gettid));
            ApplyPriority();
            platform::WakeWaiters();  // the creator may be waiting for the id
            platform::WaitCondition().wait(lock, [this] { return suspendCount_ == 0; });
        }
        DWORD code = start_(parameter_);
        {
            std::lock_guard lock(platform::WaitLock());
            exitCode_ = code;
            finished_ = true;
        }
        platform::WakeWaiters();
    }

    void ApplyPriority() {
        // Raising a priority needs privileges we may not have; the request stays recorded.
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid_), NiceFor(priority_));
    }

    LPTHREAD_START_ROUTINE start_;
    void* parameter_;
    std::thread thread_;
    DWORD suspendCount_ = 0;
    bool finished_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
    int priority_ = THREAD_PRIORITY_NORMAL;
    pid_t tid_ = 0;
};

}  // namespace

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD creationFlags,
                    DWORD* threadId) {
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>(start, parameter);
    {
        std::lock_guard lock(platform::WaitLock());
        if (creationFlags & CREATE_SUSPENDED) thread->Suspend();
    }
    try {
        thread->Launch(thread);
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId) {
        // The id is known once the thread runs; a suspended thread has started far enough.
        std::unique_lock lock(platform::WaitLock());
        platform::WaitCondition().wait_for(lock, std::chrono::seconds(5), [&] { return thread->id() != 0; });
        *threadId = thread->id();
    }
    return platform::AddHandle(thread);
}

DWORD ResumeThread(HANDLE handle) {
    auto thread = platform::LookupHandleAs<ThreadObject>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0xFFFFFFFFu;
    }
    std::lock_guard lock(platform::WaitLock());
    return thread->Resume();
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode) {
    auto thread = platform::LookupHandleAs<ThreadObject>(handle);
    if (!thread || !exitCode) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(platform::WaitLock());
    *exitCode = thread->exitCode();
    return TRUE;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
    auto thread = platform::LookupHandleAs<ThreadObject>(handle);
    if (!thread || priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(platform::WaitLock());
    thread->SetPriority(priority);
    return TRUE;
}

int GetThreadPriority(HANDLE handle) {
    auto thread = platform::LookupHandleAs<ThreadObject>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kThreadPriorityErrorReturn;
    }
    std::lock_guard lock(platform::WaitLock());
    return thread->priority();
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }
