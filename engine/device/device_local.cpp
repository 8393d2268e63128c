#include "engine/device/device_local.h"

#include "engine/frame/bth_stack.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/sobex.h"
#include "platform/kernel/com.h"
#include "platform/kernel/sync.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_damage.h"

namespace {

constexpr const wchar_t* kContextConstructor = L"CDeviceLocal::CDeviceLocal";

// The handheld keeps its own name in HKEY_LOCAL_MACHINE "Ident" "Name".
CString ReadDeviceName() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, KEY_READ, &key) != ERROR_SUCCESS) return CString();
    wchar_t buffer[256] = {};
    DWORD size = 512, type = 0;
    LONG result = RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return CString();
    buffer[255] = 0;
    return CString(buffer);
}

}  // namespace

CDeviceLocal::CDeviceLocal() : m_hPairThreadReady(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    RegisterEngineErrors();
    // Before any setting is read: a damaged registry file was kept aside, and what is read
    // from here on comes from a new, empty one.
    if (auto damaged = platform::registry::TakeDamagedFileReport())
        RaiseError(ERR_REGISTRY_DAMAGED, kContextConstructor, 0, CString::FromUtf8(damaged->Describe()).GetString());

    unsigned int classOfDevice = 0;
    if (BthReadCOD(&classOfDevice) == 0) m_uiClass = classOfDevice;
    BT_ADDR address = 0;
    if (BthReadLocalAddr(&address) == 0) m_btAddr = address;
    BYTE authentication = 0;
    if (BthReadAuthenticationEnable(&authentication) == 0) m_bAuthenticate = authentication == 1 ? 1 : 0;
    BYTE mask = 0;
    if (BthReadScanEnableMask(&mask) == 0) m_bFindable = mask == 3 ? 1 : 0;
    SetName(ReadDeviceName());

    if (CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_OK) RaiseError(ERR_COM_INIT, kContextConstructor);
    WSADATA data{};
    if (WSAStartup(0x0202, &data) != 0) RaiseError(ERR_WINSOCK_INIT, kContextConstructor);
    CSObex::GetInstance();
    loadShortcutsFromRegistry();
}

CDeviceLocal::~CDeviceLocal() {
    if (m_bActivated) Activate(0);
    deleteLocalServices();
    CoUninitialize();
    EndInquiry();
    deleteKnownElements();
    deleteDevices(m_aShortcutDevices);
    // Last: the OBEX clients of the devices just deleted may have used it until they stopped.
    CSObex::DestroyInstance();
    if (m_hPairThreadReady) CloseHandle(m_hPairThreadReady);
}

void CDeviceLocal::SetFindable(int findable) {
    if (BthWriteScanEnableMask(findable ? 3 : 2) == 0) m_bFindable = findable;
    else RaiseError(ERR_SCAN_WRITE, L"CDeviceLocal::SetFindable");
}

void CDeviceLocal::SetAuthenticate(int on) {
    if (BthWriteAuthenticationEnable(static_cast<BYTE>(on & 0xFF)) == 0) m_bAuthenticate = on;
}
