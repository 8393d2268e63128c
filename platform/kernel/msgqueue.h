#pragma once
// Point-to-point message queues: whole messages, first in first out. The read handle is
// waitable (signalled while a message is waiting) so a reader can wait on it together
// with other objects. A writer blocked on a full queue is released when the reader closes.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

constexpr DWORD MSGQUEUE_NOPRECOMMIT = 0x1;
constexpr DWORD MSGQUEUE_ALLOW_BROKEN = 0x2;

struct MSGQUEUEOPTIONS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMaxMessages;  // 0: no limit
    DWORD cbMaxMessage;
    BOOL bReadAccess;
};

// Creates an unnamed queue and returns a handle with the access the options ask for.
HANDLE CreateMsgQueue(LPCWSTR name, const MSGQUEUEOPTIONS* options);
// Opens another end of the queue behind `queue`; the process argument is accepted for shape.
HANDLE OpenMsgQueue(HANDLE sourceProcess, HANDLE queue, const MSGQUEUEOPTIONS* options);
BOOL WriteMsgQueue(HANDLE queue, const void* buffer, DWORD size, DWORD timeout, DWORD flags);
BOOL ReadMsgQueue(HANDLE queue, void* buffer, DWORD size, DWORD* bytesRead, DWORD timeout, DWORD* flags);
BOOL CloseMsgQueue(HANDLE queue);

// The current process, for OpenMsgQueue.
HANDLE GetCurrentProcess();

#pragma GCC visibility pop
