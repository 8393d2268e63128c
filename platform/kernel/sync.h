#pragma once
// Events, semaphores, waits and handle closing.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name);
inline HANDLE CreateEvent(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    return CreateEventW(security, manualReset, initialState, name);
}
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateSemaphoreW(void* security, LONG initialCount, LONG maximumCount, LPCWSTR name);
inline HANDLE CreateSemaphore(void* security, LONG initialCount, LONG maximumCount, LPCWSTR name) {
    return CreateSemaphoreW(security, initialCount, maximumCount, name);
}
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// WAIT_OBJECT_0 + index of the first signalled object (in the order given), WAIT_TIMEOUT,
// or WAIT_FAILED with the last error set (an invalid or non-waitable handle).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

BOOL CloseHandle(HANDLE handle);

#pragma GCC visibility pop
