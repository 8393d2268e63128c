#pragma once
// The OBEX component: the object the engine's OBEX clients drive. Created once by the engine
// (see CSObex); the system may offer none.
#include <memory>

#include "platform/kernel/com.h"
#include "platform/obex/obex_device.h"
#include "platform/obex/property_bag.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

class IObex {
public:
    virtual ~IObex() = default;
    // Prepares the component for sessions; S_OK on success.
    virtual HRESULT Initialize() = 0;
    // Ends every session still open; S_OK on success.
    virtual HRESULT Shutdown() = 0;
    // The remote OBEX service the properties name ("Address", "Name", "Transport",
    // "RequestedServiceUUID"), bound but not yet connected.
    virtual HRESULT BindToDevice(IPropertyBag* properties, std::shared_ptr<IObexDevice>* device) = 0;
};

namespace platform {

// The component, or null when the system offers none.
std::shared_ptr<IObex> CreateObexComponent();

}  // namespace platform

#pragma GCC visibility pop
