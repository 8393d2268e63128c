#pragma once
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
// Milliseconds since an arbitrary start, wrapping like the handheld's tick count.
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

#pragma GCC visibility pop
