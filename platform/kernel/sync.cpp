#include "platform/kernel/sync.h"

#include <chrono>
#include <vector>

#include "platform/kernel/kernel_object.h"
#include "platform/kernel/last_error.h"

using platform::KernelObject;

namespace {

class Event final : public KernelObject {
public:
    Event(bool manual, bool signaled) : manual_(manual), signaled_(signaled) {}
    bool IsWaitable() const override { return true; }
    bool IsSignaled() const override { return signaled_; }
    void OnWaitSatisfied() override {
        if (!manual_) signaled_ = false;
    }
    void Set(bool on) { signaled_ = on; }

private:
    const bool manual_;
    bool signaled_;
};

class Semaphore final : public KernelObject {
public:
    Semaphore(LONG count, LONG maximum) : count_(count), maximum_(maximum) {}
    bool IsWaitable() const override { return true; }
    bool IsSignaled() const override { return count_ > 0; }
    void OnWaitSatisfied() override { --count_; }
    bool Release(LONG by, LONG* previous) {
        if (by <= 0 || by > maximum_ - count_) return false;
        if (previous) *previous = count_;
        count_ += by;
        return true;
    }

private:
    LONG count_;
    const LONG maximum_;
};

BOOL SetEventState(HANDLE handle, bool on) {
    auto event = platform::LookupHandleAs<Event>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard lock(platform::WaitLock());
        event->Set(on);
    }
    if (on) platform::WakeWaiters();
    return TRUE;
}

}  // namespace

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, LPCWSTR) {
    return platform::AddHandle(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateSemaphoreW(void*, LONG initialCount, LONG maximumCount, LPCWSTR) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return platform::AddHandle(std::make_shared<Semaphore>(initialCount, maximumCount));
}

BOOL ReleaseSemaphore(HANDLE handle, LONG releaseCount, LONG* previousCount) {
    auto semaphore = platform::LookupHandleAs<Semaphore>(handle);
    if (!semaphore) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool released;
    {
        std::lock_guard lock(platform::WaitLock());
        released = semaphore->Release(releaseCount, previousCount);
    }
    if (!released) {
        SetLastError(ERROR_INVALID_PARAMETER);  // would exceed the maximum count
        return FALSE;
    }
    platform::WakeWaiters();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<KernelObject>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = platform::LookupHandle(handles[i]);
        if (!object || !object->IsWaitable()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(platform::WaitLock());
    for (;;) {
        if (waitAll) {
            bool all = true;
            for (auto& object : objects) all = all && object->IsSignaled();
            if (all) {
                for (auto& object : objects) object->OnWaitSatisfied();
                return WAIT_OBJECT_0;
            }
        } else {
            for (DWORD i = 0; i < count; ++i) {
                if (objects[i]->IsSignaled()) {
                    objects[i]->OnWaitSatisfied();
                    return WAIT_OBJECT_0 + i;
                }
            }
        }
        if (milliseconds == INFINITE) {
            platform::WaitCondition().wait(lock);
        } else {
            if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
            platform::WaitCondition().wait_until(lock, deadline);
        }
    }
}

BOOL CloseHandle(HANDLE handle) {
    auto object = platform::RemoveHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object.reset();
    return TRUE;
}
