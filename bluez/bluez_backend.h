#pragma once
// Chooses BlueZ (bluetoothd on the system D-Bus) as this process's Bluetooth backend. A host
// calls it once at start, before it makes the engine's first object, as it would install the
// simulated radio. The system bus is found as GDBus finds it: DBUS_SYSTEM_BUS_ADDRESS, else
// the well-known socket.
#include <string>

#include "bluez/export.h"

namespace bluez {

// Whether org.bluez answers on the system bus with at least one adapter, within `timeoutMs`.
// Nothing is installed; `reason` says why not when false.
NIMBREL_BLUEZ_API bool BlueZAvailable(unsigned timeoutMs, std::string* reason = nullptr);

// Attaches to org.bluez and installs the backend: false, with a message for the user, when the
// bus, bluetoothd or an adapter does not answer within `timeoutMs`; nothing is installed then.
// The backend follows bluetoothd from then on: it re-attaches when bluetoothd restarts, and the
// engine sees the hardware go when the adapter goes.
NIMBREL_BLUEZ_API bool InstallBlueZ(unsigned timeoutMs, std::string* error);

}  // namespace bluez
