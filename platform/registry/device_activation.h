#pragma once
// Loading stream-device drivers described in the registry. It lives with the registry, not
// the kernel's device namespace, so that the kernel never depends on the registry.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

// Loads the driver described by a registry key under HKEY_LOCAL_MACHINE (values "Prefix",
// "Index", "Dll", names in any case) through RegisterDevice, passing the key's 32-bit
// "Context" value to it, or `context` when the key has none.
HANDLE ActivateDevice(LPCWSTR registryKey, DWORD context);
BOOL DeactivateDevice(HANDLE device);

#pragma GCC visibility pop
