#include "engine/service/server_file_transfer.h"

#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/device.h"
#include "platform/kernel/files.h"
#include "platform/kernel/sync.h"
#include "platform/obex/server/server_service.h"

namespace {

int ControlObexService(DWORD request) {
    HANDLE service = CreateFileW(L"OBX0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (service == INVALID_HANDLE_VALUE) return 0;
    BOOL done = DeviceIoControl(service, request, nullptr, 0, nullptr, 0, nullptr, nullptr);
    CloseHandle(service);
    return done ? 1 : 0;
}

}  // namespace

CServerFileTransfer::CServerFileTransfer(CDevice* device) : CServiceLocal(device) {}
CServerFileTransfer::~CServerFileTransfer() = default;

int CServerFileTransfer::loadServer() {
    if (!ControlObexService(IOCTL_SERVICE_START)) return 0;
    // The record advertises the channel the service's server of this class listens on.
    m_uiRfcommChannel = obex::ServerChannel(sdp::Uuid::FromGuid(getGuidLocalService()));
    return 1;
}

int CServerFileTransfer::unloadServer() {
    m_uiRfcommChannel = 0;
    return ControlObexService(IOCTL_SERVICE_STOP);
}

void CServerFileTransfer::unloadIfLoaded() {
    // An idle server leaves the service alone: another one may have started it.
    if (IsActive() || IsConnected()) unloadServer();
}

CServerFtp::CServerFtp(CDevice* device) : CServerFileTransfer(device) { setIdentity(0, L"FTP"); }
CServerFtp::~CServerFtp() { unloadIfLoaded(); }
GUID CServerFtp::getGuidLocalService() const { return sdp::uuids::kObexFileTransfer.ToGuid(); }

CServerOpp::CServerOpp(CDevice* device) : CServerFileTransfer(device) { setIdentity(0, L"OPP"); }
CServerOpp::~CServerOpp() { unloadIfLoaded(); }
GUID CServerOpp::getGuidLocalService() const { return sdp::uuids::kObexObjectPush.ToGuid(); }
