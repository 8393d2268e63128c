#pragma once
// A remote Dial-up Networking service, used as a modem on a local COM port.
#include "app/browser/distant_service_item.h"

class CDialUpItem : public CDistantServiceItem {
public:
    CDialUpItem(CNimbrelView* view, CServiceDistant* service);

    int GetImage() const override { return 11; }
    bool HasPage(Page page) const override { return page == kSerialPortPage; }
    void Open() override;
    void OnConnected() override;
};
