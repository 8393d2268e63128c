#pragma once
// Component and socket run-time start-up, per thread and per process, as the engine calls them.
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
// A system error code as a failure result (0 stays success).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
    return code == 0 ? S_OK : static_cast<HRESULT>((code & 0xFFFFu) | 0x80070000u);
}
constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// S_OK on the thread's first initialisation, S_FALSE when already initialised (each call must
// be balanced by CoUninitialize), RPC_E_CHANGED_MODE for a different threading model.
HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
};
// 0 on success; the version must be at least 1.1.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();

#pragma GCC visibility pop
