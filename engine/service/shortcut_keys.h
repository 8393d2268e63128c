#pragma once
// Where shortcuts live in the registry: HKEY_LOCAL_MACHINE "software\Trevanix\Nimbrel\Shortcuts",
// one key per device, named by the device's name and address ("Phone0012AB34CD56"), holding
// "device_btAddr" (8 bytes under the 32-bit type), "device_sName" and "device_uiClass"; below it
// one key per service, named by the service, holding "uiID", "sName" and "comPort". Key names
// are labels only: readers take everything from the values.
#include "platform/kernel/types.h"
#include "platform/mfc/cstring.h"

namespace shortcuts {

inline constexpr const wchar_t* kRootKey = L"software\\Trevanix\\Nimbrel\\Shortcuts";
inline constexpr const wchar_t* kAddress = L"device_btAddr";
inline constexpr const wchar_t* kDeviceName = L"device_sName";
inline constexpr const wchar_t* kClass = L"device_uiClass";
inline constexpr const wchar_t* kServiceId = L"uiID";
inline constexpr const wchar_t* kServiceName = L"sName";
inline constexpr const wchar_t* kComPort = L"comPort";

// Key names the writer makes stay below this many characters, terminator included, so that a
// reader with a buffer of that size lists them.
inline constexpr DWORD kKeyNameCharacters = 260;

// The device key's name, below the root: a backslash in the device name would split the key
// path, so it is written as '/' here (the name value keeps it), and a long name is cut so that
// the key name always fits the readers' buffer.
CString DeviceKeyName(const CString& deviceName, BT_ADDR address);
// The device key and a service key, from HKEY_LOCAL_MACHINE.
CString DeviceKeyPath(const CString& deviceName, BT_ADDR address);
CString ServiceKeyPath(const CString& deviceName, BT_ADDR address, const CString& serviceName);

}  // namespace shortcuts
