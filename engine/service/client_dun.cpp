#include "engine/service/client_dun.h"

#include "engine/device/device.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/com_port.h"
#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/registry/device_activation.h"
#include "platform/registry/registry.h"

namespace {

constexpr unsigned int kFirstDialUpPort = 1;
constexpr unsigned int kLastDialUpPort = 9;
constexpr DWORD kModemDeviceType = 1;
constexpr const wchar_t* kContext = L"CClientDun::makeConnection";

LONG WriteString(HKEY key, const wchar_t* name, const CString& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                          RegStringSize(value.str()));
}

LONG WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

CString DialUpPortKeyPath(const CString& deviceName, BT_ADDR address, unsigned int port) {
    std::wstring name = deviceName.str();
    for (auto& ch : name)
        if (ch == L'\\') ch = L'_';
    CString path;
    path.Format(L"software\\microsoft\\bluetooth\\device\\ports\\%s%s%s%d", name.c_str(),
                bth::UpperAddressDigitsW(address).c_str(), L"COM", port);
    return path;
}

CClientDun::CClientDun(CDevice* device) : CServiceDistant(device) {
    setIdentity(SERVICE_ID_DUN, L"Dial-Up Networking");
}

CClientDun::~CClientDun() {
    m_connectionThread.Join();
    if (m_hDevice) makeDisconnection();
}

CString CClientDun::portKeyPath() const {
    return DialUpPortKeyPath(m_pDevice ? m_pDevice->GetName() : CString(), m_pDevice ? m_pDevice->GetBtAddr() : 0,
                             GetComPort());
}

bool CClientDun::portInUse(unsigned int index) {
    HANDLE port = OpenComPort(index, 0, 0, OPEN_EXISTING);
    if (!port) return false;
    CloseHandle(port);
    return true;
}

bool CClientDun::writePortKey(const CString& path, DWORD cookie) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    WriteString(key, L"dll", L"btd.dll");
    WriteString(key, L"prefix", L"COM");
    WriteDword(key, L"index", GetComPort());
    WriteDword(key, L"context", cookie);

    HKEY modem = nullptr;
    if (RegCreateKeyExW(key, L"unimodem", 0, nullptr, 0, KEY_WRITE, nullptr, &modem, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
        return false;
    }
    CString friendlyName;
    friendlyName.Format(L"BT Modem on %s COM%d:", m_pDevice ? m_pDevice->GetName() : CString(), GetComPort());
    WriteString(modem, L"friendlyname", friendlyName);
    WriteString(modem, L"tsp", L"unimodem.dll");
    WriteDword(modem, L"devicetype", kModemDeviceType);
    RegCloseKey(modem);
    RegCloseKey(key);
    return true;
}

int CClientDun::makeConnection() {
    const bool automatic = GetDistantDisconnection() != 0;
    const unsigned int previousPort = GetComPort();
    // The record is named by a cookie in the key's "context" value; the driver resolves it
    // while the activation runs.
    bth::PortParamsCookie cookie(DialUpPortParams(m_pDevice ? m_pDevice->GetBtAddr() : 0));
    for (unsigned int index = kFirstDialUpPort; index <= kLastDialUpPort; ++index) {
        // A port that opens is taken in this process; one another process holds opens only
        // there, so its activation is refused and the next index is tried.
        if (portInUse(index)) continue;
        SetComPort(index);
        const CString path = portKeyPath();
        if (!writePortKey(path, cookie.value())) {
            SetComPort(previousPort);
            return 0;
        }
        if (HANDLE device = ActivateDevice(path, cookie.value())) {
            std::lock_guard lock(m_deviceLock);
            m_hDevice = device;
            return 1;
        }
        const DWORD error = GetLastError();
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);  // no entry describes a port that is not there
        if (error == ERROR_ALREADY_EXISTS) continue;
        SetComPort(previousPort);
        if (!automatic) RaiseError(static_cast<int>(error), kContext);
        return 0;
    }
    SetComPort(previousPort);
    if (!automatic) RaiseError(ERR_SPP_NO_COM_PORT, kContext);
    return 0;
}

int CClientDun::makeDisconnection() {
    HANDLE device = nullptr;
    {
        std::lock_guard lock(m_deviceLock);
        std::swap(device, m_hDevice);
    }
    const int result = device ? (DeactivateDevice(device) ? 1 : 0) : 0;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, portKeyPath());
    SetComPort(0);
    return result;
}
