#pragma once
// The table of open registry handles. A handle is a cookie that is never reused, so a stale
// handle can never reach another key; the four roots are fixed handles of their own.
#include <cstdint>

#include "platform/registry/registry.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

// Row id of a key in the registry file.
using KeyId = std::int64_t;

// Roots have fixed row ids 1 to 4 (HKEY_CLASSES_ROOT to HKEY_USERS).
constexpr KeyId kFirstRootId = 1;
constexpr KeyId kRootCount = 4;

HKEY OpenKeyHandle(KeyId key);
// The key a handle (root or open) refers to; false for anything else.
bool ResolveKeyHandle(HKEY handle, KeyId* key);
bool IsRootKeyHandle(HKEY handle);
// False when the handle is not open.
bool CloseKeyHandle(HKEY handle);

}  // namespace platform::registry

#pragma GCC visibility pop
