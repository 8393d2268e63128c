#include "app/browser/object_push_item.h"

#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "app/dialogs/transfer_dlg.h"
#include "app/frame/modal.h"
#include "engine/obex/client_opp.h"

CObjectPushItem::CObjectPushItem(CNimbrelView* view, CClientOpp* service)
    : CDistantServiceItem(view, service, kObjectPush), m_client(service) {}

CObjectPushItem::~CObjectPushItem() { delete m_transfer.data(); }

CTransferDlg* CObjectPushItem::TransferDialog() const { return m_transfer.data(); }

void CObjectPushItem::Open() {
    if (m_client->IsConnected()) pushFile();
    else m_client->Connect();
}

void CObjectPushItem::AddFile() {
    if (m_client->IsConnected()) {
        pushFile();
        return;
    }
    // "Push file" asks for a push: it runs once the connection it needs is up.
    m_pushAsked = true;
    if (m_client->Connect()) OnConnected();
}

void CObjectPushItem::OnConnected() {
    if (!m_pushAsked || !m_client->IsConnected()) return;
    m_pushAsked = false;
    pushFile();
}

void CObjectPushItem::Abort() {
    m_pushAsked = false;
    m_client->Abort();
    m_client->Disconnect();
}

void CObjectPushItem::OnTransferDone() { m_client->Disconnect(); }

void CObjectPushItem::pushFile() {
    const QString chosen = nimbrel::ChooseFileToSend(GetView());
    if (chosen.isEmpty()) {
        m_client->Disconnect();
        return;
    }
    if (!m_client->IsConnected()) {
        nimbrel::ShowMessage(GetView(), tr("Can't send a file to a remote device after remote disconnection"));
        m_client->UnsetDistantDisconnection();
        return;
    }
    if (!m_transfer) m_transfer = new CTransferDlg(this, GetView()->GetFrame());
    m_transfer->DescribeSending(chosen, GetView()->CurrentDeviceName());
    // A push the engine refused (one still runs) has no progress to follow.
    if (m_client->PushObject(ToCString(chosen), &CTransferDlg::TransferProgress, m_transfer->Context()))
        m_transfer->show();
}
