#pragma once
// The device namespace: named stream devices ("BTD0:", "BTS1:", "OBX0:", "COM5:") opened
// with CreateFileW and driven with DeviceIoControl, ReadFile and WriteFile.
//
// A driver is C++: a StreamDriver instance per registered device (the driver's init), and a
// DeviceFile per open (the driver's open context).
#include <functional>
#include <memory>
#include <string>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // Each returns FALSE with the last error set on failure.
    virtual BOOL IoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
    virtual BOOL Read(void* buffer, DWORD size, DWORD* read);
    virtual BOOL Write(const void* buffer, DWORD size, DWORD* written);
    // Unblocks a Read or IoControl in progress on another thread (the handle is closing).
    virtual void Cancel() {}
};

class StreamDriver {
public:
    virtual ~StreamDriver() = default;
    // Returns the open context, or null with the last error set.
    virtual std::unique_ptr<DeviceFile> Open(DWORD access, DWORD share) = 0;
};

// Makes a driver instance for RegisterDevice (and ActivateDevice): (prefix, index, context).
using DriverFactory =
    std::function<std::shared_ptr<StreamDriver>(const std::wstring& prefix, DWORD index, DWORD context)>;

// Makes a driver library known by its name ("btd.dll"), as if it were installed.
void InstallDriverLibrary(const std::wstring& library, DriverFactory factory);
// Forgets it again; devices it made stay until deregistered.
void RemoveDriverLibrary(const std::wstring& library);

// Built-in devices of the system (the radio's "BTD0:" and "BTS1:"): present until removed.
void AddBuiltInDevice(const std::wstring& name, std::shared_ptr<StreamDriver> driver);
void RemoveBuiltInDevice(const std::wstring& name);

// True for a device name: three letters, a decimal index, a colon ("COM10:").
bool IsDeviceName(const std::wstring& name);

// Opens a device by name; used by CreateFileW.
HANDLE OpenDevice(const std::wstring& name, DWORD access, DWORD share);

}  // namespace platform

BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                     void* overlapped);

// Stream-device registration: loads `library`'s driver as device prefix+index.
HANDLE RegisterDevice(LPCWSTR prefix, DWORD index, LPCWSTR library, DWORD context);
BOOL DeregisterDevice(HANDLE device);
// ActivateDevice and DeactivateDevice, which read the registry, are in
// platform/registry/device_activation.h.

#pragma GCC visibility pop
