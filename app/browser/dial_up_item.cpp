#include "app/browser/dial_up_item.h"

#include "engine/service/service_distant.h"

CDialUpItem::CDialUpItem(CNimbrelView* view, CServiceDistant* service)
    : CDistantServiceItem(view, service, kDialUp) {}

void CDialUpItem::Open() {
    CServiceDistant* service = GetDistantService();
    if (service->IsConnected()) {
        service->Disconnect();
        return;
    }
    ExpectConnection();
    service->Connect();
}

void CDialUpItem::OnConnected() {
    if (GetDistantService()->IsConnected()) AnnounceComPort();
}
