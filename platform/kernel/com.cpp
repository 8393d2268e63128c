#include "platform/kernel/com.h"

#include <atomic>

namespace {

thread_local int t_comInitCount = 0;
thread_local DWORD t_comModel = 0;
std::atomic<int> g_winsockUsers{0};

}  // namespace

HRESULT CoInitializeEx(void*, DWORD model) {
    if (t_comInitCount > 0 && model != t_comModel) return RPC_E_CHANGED_MODE;
    t_comModel = model;
    return t_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_comInitCount > 0) --t_comInitCount;
}

int WSAStartup(WORD versionRequested, WSADATA* data) {
    if ((versionRequested & 0xFF) < 1) return 10092;  // WSAVERNOTSUPPORTED
    if (data) {
        data->wVersion = versionRequested;
        data->wHighVersion = 0x0202;
    }
    ++g_winsockUsers;
    return 0;
}

int WSACleanup() {
    if (g_winsockUsers.load() == 0) return -1;
    --g_winsockUsers;
    return 0;
}
