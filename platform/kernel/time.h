#pragma once
#include "platform/kernel/types.h"

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
// Milliseconds since an arbitrary start, wrapping like the handheld's tick count.
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
