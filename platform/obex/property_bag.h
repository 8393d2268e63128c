#pragma once
// Named text properties handed to the OBEX component when a session is bound: "Address",
// "Name", "Transport", "RequestedServiceUUID".
#include <memory>
#include <string>

#include "platform/kernel/com.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // E_INVALIDARG when no property has that name.
    virtual HRESULT Read(const wchar_t* name, std::wstring* value) const = 0;
    // Adds or replaces the property.
    virtual HRESULT Write(const wchar_t* name, const std::wstring& value) = 0;
};

namespace platform {

std::shared_ptr<IPropertyBag> CreatePropertyBag();

}  // namespace platform

#pragma GCC visibility pop
