#include "engine/obex/client_obex.h"

#include <cstring>

#include "engine/frame/notifications.h"
#include "platform/bluetooth/sdp_uuid.h"

// The OBEX session work comes with the OBEX component; until then a connection attempt fails
// and is reported as such (CServiceDistant's makeConnection).

CClientObex::CClientObex(CDevice* device) : CServiceDistant(device) {}
CClientObex::~CClientObex() = default;

void CClientObex::SetDistantDisconnection() { FireNotification(NOTIFY_OBEX_DISCONNECTED, 0); }

GUID CClientObex::getGuidTarget() const { return GUID{}; }
GUID CClientObex::getGuidRequestedService() const { return GUID{}; }

CClientFtp::CClientFtp(CDevice* device) : CClientObex(device) { setIdentity(SERVICE_ID_FTP, L"File Transfer"); }
CClientFtp::~CClientFtp() = default;

GUID CClientFtp::getGuidTarget() const {
    // The Folder Browsing service, F9EC7BC4-953C-11D2-984E-525400DC9E09, as the bytes of the
    // Target header in this order.
    static const unsigned char kTarget[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                              0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};
    GUID target;
    std::memcpy(&target, kTarget, sizeof target);
    return target;
}

GUID CClientFtp::getGuidRequestedService() const { return sdp::uuids::kObexFileTransfer.ToGuid(); }

CClientOpp::CClientOpp(CDevice* device) : CClientObex(device) { setIdentity(SERVICE_ID_OPP, L"Object Push"); }
CClientOpp::~CClientOpp() = default;

GUID CClientOpp::getGuidRequestedService() const { return sdp::uuids::kObexObjectPush.ToGuid(); }
