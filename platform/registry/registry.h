#pragma once
// The registry: a tree of keys holding named, typed values, kept in one SQLite file
// (NimbrelHome()/registry.db) that every Nimbrel process shares.
//
// Calls return Win32 error numbers: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (missing key or
// value), ERROR_MORE_DATA (buffer too small; the size needed is written back),
// ERROR_NO_MORE_ITEMS (enumeration index past the end), ERROR_INVALID_HANDLE (unknown or
// closed handle), ERROR_INVALID_PARAMETER (missing output pointer and the like),
// ERROR_KEY_DELETED (the handle's key was deleted), ERROR_ACCESS_DENIED (deleting a root),
// and ERROR_CANTOPEN / ERROR_BADDB / ERROR_CANTREAD / ERROR_CANTWRITE when the file cannot be
// opened, is not a registry, or fails to read or write. A file found damaged when a process
// first opens the registry is kept aside and a new one started (registry_damage.h); ERROR_BADDB
// stays only when it could not be moved.
//
// Paths are backslash-separated; empty components ("\a\\b\") are ignored. Key and value names
// compare without regard to case and keep the spelling they were first written with. A null
// or empty value name is the key's default value.
//
// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ data are wchar_t arrays in memory but UTF-16LE in
// the file, and every byte count of such data is a UTF-16 count: "abc" with its terminator is
// 8 bytes, a buffer of N wchar_t holds N * 2 bytes. Other types are stored byte for byte.
//
// Every write is one transaction, visible at once to all handles, threads and processes and
// kept when the process dies; RegFlushKey also makes it survive a power cut. Access masks are
// accepted but not enforced, as on the handheld. A process that forks must not have used the
// registry before the fork if the child uses it too.
#include <cstdint>
#include <string_view>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

struct HKEY__;
using HKEY = HKEY__*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003u});

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Access rights.
constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// What RegCreateKeyExW did.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Creates the missing keys along subKey (null or empty: key itself) and opens the last one.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR cls, DWORD options, DWORD samDesired,
                     void* security, HKEY* result, DWORD* disposition);
// Opens an existing key (null or empty subKey: a new handle to key itself).
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, DWORD samDesired, HKEY* result);

// The cbData of a REG_SZ holding text: its UTF-16 units and a terminator, two bytes each, so a
// character above U+FFFF (an emoji) counts four bytes. Never size string data as
// (characters + 1) * 2: that cuts the value short.
DWORD RegStringSize(std::wstring_view text);

// Stores cbData bytes (UTF-16 bytes for string types) under valueName, replacing any value
// of that name whatever its type.
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD cbData);
// Reads a value. With data null, only *type and *cbData are filled in. A buffer smaller
// than the value gives ERROR_MORE_DATA with *cbData set to the size needed. String data is
// written as wchar_t: a buffer declared as cbData bytes must hold cbData / 2 wchar_t.
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* cbData);
// Reads a value only when it has the expected type; another type copies nothing and gives
// ERROR_INVALID_DATA. Readers of numbers and bytes use it: a string stored under the name
// they expect would not fit their buffer as wchar_t.
LONG RegQueryValueOfTypeW(HKEY key, LPCWSTR valueName, DWORD expectedType, BYTE* data, DWORD* cbData);

// The index-th value of key in creation order; ERROR_NO_MORE_ITEMS past the last one.
// *cchValueName is the name buffer's size in characters and must hold the name and its
// terminator; on success it becomes the name's length, on ERROR_MORE_DATA the size needed.
// Data as RegQueryValueExW; the name is written whenever it fits.
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, DWORD* cchValueName, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* cbData);
// The index-th direct subkey of key in creation order; buffer sizes as RegEnumValueW. Keys
// have no class (an empty one is returned) and lastWriteTime is left untouched.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD* reserved, LPWSTR cls, DWORD* cchClass,
                   void* lastWriteTime);

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes subKey with all its subkeys and values (empty subKey: key itself). Roots cannot be
// deleted.
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Closing a root is a no-op; closing an unknown or already closed handle gives
// ERROR_INVALID_HANDLE.
LONG RegCloseKey(HKEY key);
// Forces every write made so far, by any process, onto the disk.
LONG RegFlushKey(HKEY key);

#pragma GCC visibility pop
