#pragma once
#include "platform/kernel/types.h"

// The calling thread's last error, set by failing platform calls.
DWORD GetLastError();
void SetLastError(DWORD error);
