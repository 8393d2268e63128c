#pragma once
// bluetoothd keeps the bonds; the engine reads paired devices from the stack's security key.
// These keep the key a mirror of bluetoothd's bonds: a PIN value for each paired device, none
// for the others.
#include <string>
#include <vector>

#include "bluez/dbus/object_cache.h"

namespace bluez {

// The PIN a pairing of ours used, written for the device when it turns paired (else a marker:
// a bond made elsewhere has a PIN we never saw).
void RememberPairingPin(BT_ADDR address, const std::string& pin);
// One device changed (before or after null: it appeared or went).
void MirrorBond(const DeviceInfo* before, const DeviceInfo* after);
// Every device bluetoothd has: paired ones get their value; values of devices that are not
// paired, or that bluetoothd does not know, are deleted.
void MirrorAllBonds(const std::vector<DeviceInfo>& devices);

}  // namespace bluez
