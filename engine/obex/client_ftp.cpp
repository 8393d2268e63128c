#include "engine/obex/client_ftp.h"

#include <cstring>

#include "engine/service/sobex.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/obex/obex_codes.h"

CClientFtp::CClientFtp(CDevice* device)
    : CClientObex(device), m_pRoot(std::make_unique<CFtpFolder>(this, nullptr, CString())) {
    setIdentity(SERVICE_ID_FTP, L"File Transfer");
}

CClientFtp::~CClientFtp() { m_pRoot.reset(); }

GUID CClientFtp::getGuidTarget() const {
    // The Target header's bytes in this order.
    GUID target;
    static_assert(sizeof target == sizeof obex::kFolderBrowsingTarget);
    std::memcpy(&target, obex::kFolderBrowsingTarget, sizeof target);
    return target;
}

GUID CClientFtp::getGuidRequestedService() const { return sdp::uuids::kObexFileTransfer.ToGuid(); }

CString CClientFtp::GetPath() const { return CSObex::GetInstance()->GetFtpFolder(); }

void CClientFtp::SetPath(CString path) { CSObex::GetInstance()->SetFtpFolder(std::move(path)); }
