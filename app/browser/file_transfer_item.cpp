#include "app/browser/file_transfer_item.h"

#include "app/browser/qt_text.h"
#include "engine/obex/client_ftp.h"

CFileTransferItem::CFileTransferItem(CNimbrelView* view, CClientFtp* service)
    : CDistantServiceItem(view, service, kFileTransfer), m_client(service) {}

int CFileTransferItem::GetMenuId() const { return m_client->IsConnected() ? 149 : 171; }

void CFileTransferItem::Open() {
    if (m_client->IsConnected()) {
        m_client->Disconnect();
        return;
    }
    if (m_client->Connect()) m_client->UnsetDistantDisconnection();
}

void CFileTransferItem::Cancel() { m_client->cancelConnection(); }

QString CFileTransferItem::GetPath() const { return ToQString(m_client->GetPath()); }

void CFileTransferItem::SetPath(const QString& path) { m_client->SetPath(ToCString(path)); }
