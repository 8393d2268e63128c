#include "engine/service/server_spp.h"

#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/com_port.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/device.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/registry/registry.h"

namespace {
constexpr const wchar_t* kContext = L"CServerSpp::loadServer";
constexpr const wchar_t* kPortValue = L"localPortCom";
}  // namespace

CServerSpp::CServerSpp(CDevice* device) : CServiceLocal(device), m_device(std::make_unique<ComPortRegistration>()) {
    setIdentity(SERVICE_ID_SERVER_SPP, L"Serial Port");
}

CServerSpp::~CServerSpp() { unloadServer(); }

GUID CServerSpp::getGuidLocalService() const { return sdp::uuids::kSerialPort.ToGuid(); }

void CServerSpp::setSelectedPortCom(int port) {
    CRegistry().WriteValueDword(kPortValue, static_cast<unsigned long>(port));
    SetComPort(static_cast<unsigned int>(port));
}

void CServerSpp::choosePort() {
    // A missing base key (nothing stored yet) is read like a missing value: the first
    // activation on a fresh system still finds a port.
    HKEY key = nullptr;
    DWORD port = 0, size = sizeof port;
    LONG read = ERROR_FILE_NOT_FOUND;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, CRegistry::kBaseKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        read = RegQueryValueOfTypeW(key, kPortValue, REG_DWORD, reinterpret_cast<BYTE*>(&port), &size);
        RegCloseKey(key);
    }
    if (read == ERROR_SUCCESS) {
        SetComPort(port);
    } else if (read == ERROR_FILE_NOT_FOUND) {
        // Only a port actually found is remembered: with none free now, a later activation
        // looks again.
        std::vector<int> available = getAvailablePortComList();
        if (available.empty()) return;
        SetComPort(static_cast<unsigned int>(available.front()));
        CRegistry().WriteValueDword(kPortValue, GetComPort());
    }
}

int CServerSpp::loadServer() {
    const bool activating = !IsActive();
    if (activating) choosePort();
    releasePort();  // a server loaded already gives its port up first

    const unsigned int index = GetComPort();
    if (!m_device->Register(index, SerialServerPortParams())) {
        RaiseError(ERR_SERVER_NO_COM_PORT, kContext);
        return 0;
    }
    m_hPort = OpenComPort(index, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (!m_hPort) {
        const DWORD error = GetLastError();
        m_device->Release();
        RaiseError(static_cast<int>(error), kContext);
        return 0;
    }
    DWORD channel = 0, returned = 0;
    if (!DeviceIoControl(m_hPort, IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL, nullptr, 0, &channel, sizeof channel, &returned,
                         nullptr)) {
        unloadServer();
        return 0;
    }
    m_uiRfcommChannel = channel;
    // A server loaded by activation shows as connected; only once it is really up.
    if (activating) SetConnected(1);
    return 1;
}

int CServerSpp::unloadServer() {
    SetComPort(NO_COM_PORT);
    m_uiRfcommChannel = 0;
    return releasePort() ? 1 : 0;
}

BOOL CServerSpp::releasePort() {
    if (m_hPort) CloseHandle(m_hPort);
    m_hPort = nullptr;
    return m_device->Release();
}
