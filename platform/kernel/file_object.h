#pragma once
// What a file or device handle refers to: an open host file, or a device's open context.
#include <memory>

#include "platform/kernel/device.h"
#include "platform/kernel/kernel_object.h"

namespace platform {

// The error a failed call on a host file leaves for GetLastError. A full disk, a quota and a
// file past the size this process may write are one thing to a user: ERROR_DISK_FULL.
DWORD FileErrorFromErrno(int error);

class FileObject final : public KernelObject {
public:
    explicit FileObject(int fd) : fd_(fd) {}
    explicit FileObject(std::unique_ptr<DeviceFile> device) : device_(std::move(device)) {}
    ~FileObject() override;

    int fd() const { return fd_; }
    DeviceFile* device() const { return device_.get(); }
    BOOL Read(void* buffer, DWORD size, DWORD* read);
    BOOL Write(const void* buffer, DWORD size, DWORD* written);

private:
    int fd_ = -1;
    std::unique_ptr<DeviceFile> device_;
};

}  // namespace platform
