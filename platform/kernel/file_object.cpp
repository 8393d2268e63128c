#include "platform/kernel/file_object.h"

#include <cerrno>
#include <unistd.h>

#include "platform/kernel/last_error.h"

namespace platform {

DWORD FileErrorFromErrno(int error) {
    switch (error) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENOTEMPTY: return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_INVALID_NAME;
        default: return ERROR_GEN_FAILURE;
    }
}

FileObject::~FileObject() {
    if (fd_ >= 0) ::close(fd_);
}

BOOL FileObject::Read(void* buffer, DWORD size, DWORD* read) {
    if (device_) return device_->Read(buffer, size, read);
    ssize_t n;
    do n = ::read(fd_, buffer, size); while (n < 0 && errno == EINTR);
    if (n < 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    if (read) *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL FileObject::Write(const void* buffer, DWORD size, DWORD* written) {
    if (device_) return device_->Write(buffer, size, written);
    const char* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing has no room left.
            SetLastError(n < 0 ? FileErrorFromErrno(errno) : ERROR_DISK_FULL);
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

}  // namespace platform
