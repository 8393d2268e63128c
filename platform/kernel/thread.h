#pragma once
// Kernel threads. A thread handle is signalled when the thread has ended. No thread can be
// killed: an owner that needs a thread gone asks it to stop and waits for it.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);

HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD creationFlags, DWORD* threadId);
// Returns the previous suspend count (1 for a thread created suspended), or 0xFFFFFFFF.
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
// Priorities map to the thread's nice value where the system allows; they are always recorded.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
DWORD GetCurrentThreadId();

#pragma GCC visibility pop
