#include "platform/kernel/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/device.h"
#include "platform/kernel/file_object.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/paths.h"
#include "platform/text/utf.h"

namespace {

std::string Narrow(const std::wstring& text) { return platform::Utf8FromWide(text); }

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL FailErrno() { return Fail(platform::FileErrorFromErrno(errno)); }

int OpenFlags(DWORD access, DWORD creation) {
    int flags = O_CLOEXEC;
    bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
    flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (creation) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
        default: break;
    }
    return flags;
}

std::shared_ptr<platform::FileObject> LookupFile(HANDLE handle) {
    auto file = platform::LookupHandleAs<platform::FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

}  // namespace

namespace platform {

std::optional<std::filesystem::path> MapPath(const std::wstring& path) {
    if (path.empty() || IsDeviceName(path)) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    if (path.front() == L'/') return std::filesystem::path(Narrow(path));  // native absolute path
    std::filesystem::path mapped = FileRoot();
    std::wstring part;
    auto flush = [&]() -> bool {
        if (part == L"..") return false;
        if (!part.empty() && part != L".") mapped /= Narrow(part);
        part.clear();
        return true;
    };
    for (wchar_t c : path) {
        if (c == L'\\' || c == L'/') {
            if (!flush()) {
                SetLastError(ERROR_ACCESS_DENIED);
                return std::nullopt;
            }
        } else if (c == 0) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        } else {
            part += c;
        }
    }
    if (!flush()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    return mapped;
}

}  // namespace platform

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, void*, DWORD creation, DWORD, HANDLE) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring text(name);
    if (platform::IsDeviceName(text)) {
        HANDLE device = platform::OpenDevice(text, access, share);
        return device ? device : INVALID_HANDLE_VALUE;
    }
    auto path = platform::MapPath(text);
    if (!path) return INVALID_HANDLE_VALUE;
    int fd = ::open(path->c_str(), OpenFlags(access, creation), 0644);
    if (fd < 0) {
        DWORD error = platform::FileErrorFromErrno(errno);
        if (error == ERROR_FILE_NOT_FOUND && creation != OPEN_EXISTING && creation != TRUNCATE_EXISTING)
            error = ERROR_PATH_NOT_FOUND;  // the folder itself is missing
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return platform::AddHandle(std::make_shared<platform::FileObject>(fd));
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read, void*) {
    if (read) *read = 0;
    auto file = LookupFile(handle);
    if (!file) return FALSE;
    return file->Read(buffer, size, read);
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written, void*) {
    if (written) *written = 0;
    auto file = LookupFile(handle);
    if (!file) return FALSE;
    return file->Write(buffer, size, written);
}

DWORD GetFileSize(HANDLE handle, DWORD* high) {
    auto file = LookupFile(handle);
    struct stat info {};
    if (!file || file->fd() < 0 || fstat(file->fd(), &info) != 0) {
        if (file) SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(info.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* high, DWORD method) {
    auto file = LookupFile(handle);
    if (!file || file->fd() < 0) return 0xFFFFFFFFu;
    off_t offset = high ? static_cast<off_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*high)) << 32) |
                                             static_cast<DWORD>(distance))
                        : static_cast<off_t>(distance);
    int whence = method == FILE_END ? SEEK_END : method == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    off_t position = lseek(file->fd(), offset, whence);
    if (position < 0) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return 0xFFFFFFFFu;
    }
    if (high) *high = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    return static_cast<DWORD>(position);
}

BOOL DeleteFileW(LPCWSTR name) {
    auto path = name ? platform::MapPath(name) : std::nullopt;
    if (!path) return name ? FALSE : Fail(ERROR_INVALID_PARAMETER);
    return ::unlink(path->c_str()) == 0 ? TRUE : FailErrno();
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    auto source = from ? platform::MapPath(from) : std::nullopt;
    auto target = to ? platform::MapPath(to) : std::nullopt;
    if (!source || !target) return from && to ? FALSE : Fail(ERROR_INVALID_PARAMETER);
    // rename() replaces the name itself: a link found there is replaced, never followed.
    if (::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(),
                    flags & MOVEFILE_REPLACE_EXISTING ? 0 : RENAME_NOREPLACE) == 0)
        return TRUE;
    return errno == EEXIST ? Fail(ERROR_ALREADY_EXISTS) : FailErrno();
}

BOOL CreateDirectoryW(LPCWSTR name, void*) {
    auto path = name ? platform::MapPath(name) : std::nullopt;
    if (!path) return name ? FALSE : Fail(ERROR_INVALID_PARAMETER);
    if (::mkdir(path->c_str(), 0755) == 0) return TRUE;
    return errno == EEXIST ? Fail(ERROR_ALREADY_EXISTS) : FailErrno();
}

BOOL RemoveDirectoryW(LPCWSTR name) {
    auto path = name ? platform::MapPath(name) : std::nullopt;
    if (!path) return name ? FALSE : Fail(ERROR_INVALID_PARAMETER);
    return ::rmdir(path->c_str()) == 0 ? TRUE : FailErrno();
}

DWORD GetFileAttributesW(LPCWSTR name) {
    auto path = name ? platform::MapPath(name) : std::nullopt;
    struct stat info {};
    if (!path || ::stat(path->c_str(), &info) != 0) {
        if (path) SetLastError(platform::FileErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
