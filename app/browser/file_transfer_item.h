#pragma once
// A remote File Transfer service: opening connects or disconnects the session. Browsing the
// remote folders it opens is not offered yet, so it has no root folder item.
#include "app/browser/distant_service_item.h"

class CClientFtp;

class CFileTransferItem : public CDistantServiceItem {
public:
    CFileTransferItem(CNimbrelView* view, CClientFtp* service);

    int GetImage() const override { return 8; }
    int GetMenuId() const override;
    bool HasPage(Page page) const override { return page == kFileTransferPage; }
    void Open() override;
    void Cancel() override;
    QString GetPath() const override;
    void SetPath(const QString& path) override;

    // The folder item browsing starts from; none yet.
    CBrowserItem* RootFolder() const { return nullptr; }

private:
    CClientFtp* m_client;
};
