#pragma once
// Basic types, constants and error numbers of the handheld operating system, as the
// engine and its host use them. Values are the platform's own because they reach users.
#include <cstddef>
#include <cstdint>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
using ULONG = std::uint32_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using BT_ADDR = std::uint64_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Kernel objects (events, semaphores, queues, threads, files, devices) are referred to
// by opaque handles; a handle is never a raw pointer to the object.
struct KernelHandle_;
using HANDLE = KernelHandle_*;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr DWORD INFINITE = 0xFFFFFFFFu;

// Wait results.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

constexpr DWORD STILL_ACTIVE = 259;

// System error codes.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_DEV_NOT_EXIST = 55;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_ALREADY_ASSIGNED = 85;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_PIPE_NOT_CONNECTED = 233;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_NOACCESS = 998;
constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD ERROR_CANCELLED = 1223;
constexpr DWORD ERROR_NOT_AUTHENTICATED = 1244;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_BADDB = 1009;
constexpr DWORD ERROR_CANTOPEN = 1011;
constexpr DWORD ERROR_CANTREAD = 1012;
constexpr DWORD ERROR_CANTWRITE = 1013;
constexpr DWORD ERROR_KEY_DELETED = 1018;

// Socket-style errors of the name-space lookups.
constexpr DWORD WSAEFAULT = 10014;
constexpr DWORD WSAEINVAL = 10022;
constexpr DWORD WSA_E_NO_MORE = 10110;
constexpr DWORD WSAENOMORE = 10102;
constexpr DWORD WSAENETDOWN = 10050;  // the local adapter is down (switched off)
constexpr DWORD WSAEHOSTDOWN = 10064;
constexpr DWORD WSAETIMEDOUT = 10060;
constexpr DWORD WSAECANCELLED = 10103;
constexpr DWORD WSA_E_CANCELLED = 10111;
constexpr DWORD WSASERVICE_NOT_FOUND = 10108;
constexpr DWORD WSANOTINITIALISED = 10093;

// Access, sharing and creation of files and devices.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// Thread priorities, as the handheld numbers them: a lower number runs first.
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_ABOVE_IDLE = 6;
constexpr int THREAD_PRIORITY_IDLE = 7;
constexpr DWORD CREATE_SUSPENDED = 0x4;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};

#pragma GCC visibility pop
