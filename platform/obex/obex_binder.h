#pragma once
// Finds the remote OBEX service a property bag names and opens a link to it, as the stack
// would: an SDP search for the requested service class on the device, the RFCOMM channel of
// the first record found, a serial link to that channel.
#include <memory>
#include <optional>

#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/obex_device.h"
#include "platform/obex/property_bag.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

// The RFCOMM channel of the first record of `device` that offers `serviceClass`: 0, or
// ERROR_NOT_FOUND (no record, or none with a channel), or the backend's lookup error.
DWORD FindRfcommChannel(bth::Backend& backend, BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t* channel);

// The device the bag's "Address" and "RequestedServiceUUID" name, linked but not connected;
// "ResponseTimeout" (milliseconds, as text) bounds the wait for each of its answers.
// E_POINTER for null arguments; E_INVALIDARG for a missing or malformed property;
// HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE) without a backend; HRESULT_FROM_WIN32 of the
// search's error (ERROR_NOT_FOUND when the device offers no such service with a channel) or
// of the link's (ERROR_TIMEOUT for a device out of reach).
HRESULT BindObexDevice(IPropertyBag* properties, std::shared_ptr<IObexDevice>* device);

}  // namespace platform

#pragma GCC visibility pop
