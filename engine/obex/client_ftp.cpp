#include "engine/obex/client_ftp.h"

#include <cstring>

#include "engine/service/sobex.h"
#include "platform/bluetooth/sdp_uuid.h"

CClientFtp::CClientFtp(CDevice* device)
    : CClientObex(device), m_pRoot(std::make_unique<CFtpFolder>(this, nullptr, CString())) {
    setIdentity(SERVICE_ID_FTP, L"File Transfer");
}

CClientFtp::~CClientFtp() { m_pRoot.reset(); }

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

CString CClientFtp::GetPath() const { return CSObex::GetInstance()->GetFtpFolder(); }

void CClientFtp::SetPath(CString path) { CSObex::GetInstance()->SetFtpFolder(std::move(path)); }
