#pragma once
// The Bluetooth serial driver "btd.dll": registering "COMn" with a port-parameters cookie as
// context makes a virtual COM port over RFCOMM. See bt_serial_port.h for what a port holds.
//
// Registration fails with ERROR_INVALID_PARAMETER for an unknown cookie, a record that makes
// no sense, another prefix than "COM" or an index above 9, and with ERROR_ALREADY_EXISTS
// for an index that another registration or another driver of the system holds.
//
// Opening "COMn:" with read or write access links the port: a client's record connects to the
// remote device's service (the open fails with the backend's error: ERROR_TIMEOUT,
// ERROR_NOT_FOUND, ...), a server's listens on a channel the stack picks, which
// IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL reports. Handles open together share one link, which
// closes with the last of them. An open without access rights only shows the port exists.
#include <memory>

#include "platform/bluetooth/bt_backend.h"
#include "platform/kernel/device.h"

namespace bth {

platform::DriverFactory MakeSerialDriverFactory(std::shared_ptr<Backend> backend);

}  // namespace bth
