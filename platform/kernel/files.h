#pragma once
// Files with the handheld's paths. "\Temp\a.txt" lives under the file root (see paths.h);
// a native absolute path ("/home/...") is used as it is. A handheld path can never leave the
// root: ".." components are refused. Device names ("COM5:") open devices (see device.h).
#include <filesystem>
#include <optional>
#include <string>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, void* security, DWORD creation, DWORD attributes,
                   HANDLE templateFile);
inline HANDLE CreateFile(LPCWSTR name, DWORD access, DWORD share, void* security, DWORD creation, DWORD attributes,
                         HANDLE templateFile) {
    return CreateFileW(name, access, share, security, creation, attributes, templateFile);
}
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written, void* overlapped);
DWORD GetFileSize(HANDLE file, DWORD* high);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* high, DWORD method);
BOOL DeleteFileW(LPCWSTR name);
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
// Renames a file (both names in one file system); with MOVEFILE_REPLACE_EXISTING an existing
// `to` is replaced, else the move fails with ERROR_ALREADY_EXISTS.
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CreateDirectoryW(LPCWSTR name, void* security);
BOOL RemoveDirectoryW(LPCWSTR name);
DWORD GetFileAttributesW(LPCWSTR name);

namespace platform {

// The host path of a handheld or native path; empty (with the last error set) when the path
// is empty, escapes the file root, or is a device name.
std::optional<std::filesystem::path> MapPath(const std::wstring& path);

}  // namespace platform

#pragma GCC visibility pop
