#pragma once
// The File Transfer client: a session to a remote device's Folder Browsing service, and the
// tree of the remote folders opened through it (ftp_tree.h).
#include <memory>

#include "engine/obex/client_obex.h"
#include "engine/obex/ftp_tree.h"

class NIMBREL_API CClientFtp : public CClientObex {
public:
    explicit CClientFtp(CDevice* device);
    // The tree goes first: its transfers end before the session does.
    ~CClientFtp() override;
    GUID getGuidTarget() const override;
    GUID getGuidRequestedService() const override;

    CFtpFolder* GetFolder() const { return m_pRoot.get(); }
    // The local folder fetched files go to (kept as "ObexFTP").
    CString GetPath() const;
    void SetPath(CString path);

private:
    std::unique_ptr<CFtpFolder> m_pRoot;
};
