#pragma once
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

// The calling thread's last error, set by failing platform calls.
DWORD GetLastError();
void SetLastError(DWORD error);

#pragma GCC visibility pop
