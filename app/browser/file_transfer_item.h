#pragma once
// A remote File Transfer service: opening connects (and browses the root folder) or
// disconnects (and empties it). It owns the item of the remote root folder.
#include <memory>

#include "app/browser/distant_service_item.h"

class CClientFtp;
class CFolderItem;

class CFileTransferItem : public CDistantServiceItem {
public:
    CFileTransferItem(CNimbrelView* view, CClientFtp* service);
    ~CFileTransferItem() override;

    int GetImage() const override { return 8; }
    int GetMenuId() const override;
    bool HasPage(Page page) const override { return page == kFileTransferPage; }
    void Open() override;
    void Cancel() override;
    void OnConnected() override;
    QString GetPath() const override;
    void SetPath(const QString& path) override;

    // The folder item browsing starts from.
    CFolderItem* RootFolder() const { return m_root.get(); }

private:
    CClientFtp* m_client;
    std::unique_ptr<CFolderItem> m_root;
};
