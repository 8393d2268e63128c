#pragma once
// Whether the Bluetooth serial driver "btd.dll" is installed in this process, for tests that
// need it (or its absence).
#include "platform/bluetooth/bt_port_params.h"
#include "platform/kernel/device.h"
#include "platform/kernel/last_error.h"

namespace testsupport {

inline constexpr const char* kNoSerialDriver =
    "the Bluetooth serial driver btd.dll is not installed (RegisterDevice reports ERROR_FILE_NOT_FOUND)";
inline constexpr const char* kSerialDriverPresent =
    "the Bluetooth serial driver btd.dll is installed; serial_port_test.cpp covers this with real links";

// Call after the test's world is in place.
inline bool SerialDriverInstalled() {
    PORTEMUPortParams params;
    params.channel = RFCOMM_CHANNEL_MULTIPLE;
    params.flocal = 1;
    bth::PortParamsCookie cookie(params);
    for (DWORD index = 0; index <= 9; ++index) {
        HANDLE port = RegisterDevice(L"COM", index, L"btd.dll", cookie.value());
        if (port) {
            DeregisterDevice(port);
            return true;
        }
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return false;
    }
    return true;  // every index is taken, but the library is there
}

}  // namespace testsupport
