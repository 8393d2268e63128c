#pragma once
// A remote Object Push service: every push connects, sends one file chosen by the user with
// a progress dialog, and disconnects when the transfer is over.
#include <QCoreApplication>
#include <QPointer>

#include "app/browser/context_menus.h"
#include "app/browser/distant_service_item.h"

class CClientOpp;
class CTransferDlg;

class CObjectPushItem : public CDistantServiceItem {
    Q_DECLARE_TR_FUNCTIONS(CObjectPushItem)

public:
    CObjectPushItem(CNimbrelView* view, CClientOpp* service);
    ~CObjectPushItem() override;

    int GetImage() const override { return 9; }
    int GetMenuId() const override { return context_menus::menu::kObjectPush; }
    void Open() override;
    // "Push file": pushes at once when connected, else connects and pushes when connected.
    void AddFile() override;
    void OnConnected() override;
    void Abort() override;
    void OnTransferDone() override;

    CTransferDlg* TransferDialog() const;

private:
    void pushFile();

    CClientOpp* m_client;
    QPointer<CTransferDlg> m_transfer;  // a child of the main window, which may delete it first
    bool m_pushAsked = false;           // "Push file" waits for its connection
};
