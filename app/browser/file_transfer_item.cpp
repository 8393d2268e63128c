#include "app/browser/file_transfer_item.h"

#include "app/browser/context_menus.h"
#include "app/browser/folder_item.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "engine/obex/client_ftp.h"

CFileTransferItem::CFileTransferItem(CNimbrelView* view, CClientFtp* service)
    : CDistantServiceItem(view, service, kFileTransfer),
      m_client(service),
      m_root(std::make_unique<CFolderItem>(view, service->GetFolder(), nullptr)) {}

// The listing of one of its folders ends before the folders go.
CFileTransferItem::~CFileTransferItem() { GetView()->StopListing(); }

int CFileTransferItem::GetMenuId() const {
    namespace menu = context_menus::menu;  // not the item kinds of the same names
    return m_client->IsConnected() ? menu::kConnectedService : menu::kFileTransfer;
}

void CFileTransferItem::Open() {
    if (m_client->IsConnected()) {
        GetView()->StopListing();
        if (m_client->Disconnect()) m_root->Empty();
        return;
    }
    if (m_client->Connect()) {
        m_client->UnsetDistantDisconnection();
        m_root->Open();
    }
}

void CFileTransferItem::OnConnected() { m_root->Browse(); }

void CFileTransferItem::Cancel() {
    m_client->AbandonConnectionAttempt();
    m_client->cancelConnection();
}

QString CFileTransferItem::GetPath() const { return ToQString(m_client->GetPath()); }

void CFileTransferItem::SetPath(const QString& path) { m_client->SetPath(ToCString(path)); }
