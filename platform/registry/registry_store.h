#pragma once
// The registry file: keys and values by row id, behind one SQLite connection per process.
// Every function is safe to call from any thread and returns a Win32 error number; a key
// row that no longer exists gives ERROR_KEY_DELETED.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/registry_handles.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // as stored: UTF-16LE for the string types
};

// Creates what is missing along path below parent; *created tells whether the last key is new.
LONG StoreCreateKey(KeyId parent, const std::vector<std::wstring>& path, KeyId* key, bool* created);
LONG StoreOpenKey(KeyId parent, const std::vector<std::wstring>& path, KeyId* key);
// Deletes the key at path below parent (empty path: parent) with everything under it.
LONG StoreDeleteKey(KeyId parent, const std::vector<std::wstring>& path);
LONG StoreSubkeyAt(KeyId key, DWORD index, std::wstring* name);

LONG StoreSetValue(KeyId key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data);
LONG StoreGetValue(KeyId key, const std::wstring& name, StoredValue* value);
LONG StoreValueAt(KeyId key, DWORD index, StoredValue* value);
LONG StoreDeleteValue(KeyId key, const std::wstring& name);

// Syncs every committed write, this process's or another's, to the disk.
LONG StoreFlush();
// How many flushes this process has asked for (each costs the disk a sync or two).
std::uint64_t StoreFlushCount();

}  // namespace platform::registry

#pragma GCC visibility pop
