#pragma once
// The services this device offers. Only the serial-port server has an item: it is started on
// a COM port the user chooses, and stopped.
#include <QCoreApplication>

#include "app/browser/service_item.h"

class CServerSpp;
class CServiceLocal;

class CLocalServiceItem : public CServiceItem {
public:
    CLocalServiceItem(CNimbrelView* view, CServiceLocal* service, Kind kind = kPlain);

    CServiceLocal* GetLocalService() const { return m_local; }

private:
    CServiceLocal* m_local;
};

class CSerialServerItem : public CLocalServiceItem {
    Q_DECLARE_TR_FUNCTIONS(CSerialServerItem)

public:
    CSerialServerItem(CNimbrelView* view, CServerSpp* server);

    QString GetName() const override;
    int GetImage() const override { return 7; }
    int GetOverlay() const override;
    int GetMenuId() const override;
    bool HasPage(Page page) const override { return page == kSerialPortPage; }
    void Open() override;
    void Connect() override { Open(); }
    void Disconnect() override { Open(); }

private:
    CServerSpp* m_server;
};
