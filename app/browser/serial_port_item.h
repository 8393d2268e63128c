#pragma once
// A remote Serial Port service, used as a local COM port. Opening connects (choosing the port
// when more than one is free) or disconnects.
#include "app/browser/distant_service_item.h"

class CClientSpp;

class CSerialPortItem : public CDistantServiceItem {
public:
    CSerialPortItem(CNimbrelView* view, CClientSpp* service);

    int GetImage() const override { return 7; }
    bool HasPage(Page page) const override { return page == kSerialPortPage; }
    void Open() override;
    void OnConnected() override;

private:
    CClientSpp* m_client;
};
