#include "app/browser/distant_service_item.h"

#include "app/browser/context_menus.h"
#include "app/browser/nimbrel_view.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "engine/device/device_local.h"
#include "engine/service/service_distant.h"

CDistantServiceItem::CDistantServiceItem(CNimbrelView* view, CServiceDistant* service, Kind kind)
    : CServiceItem(view, kind, service), m_distant(service) {}

int DistantServiceOverlay(const CServiceDistant& service) {
    if (service.IsConnected()) return 2;
    if (service.GetDistantDisconnection()) return 4;
    return 0;
}

int CDistantServiceItem::GetOverlay() const { return DistantServiceOverlay(*m_distant); }

int CDistantServiceItem::GetMenuId() const {
    namespace menu = context_menus::menu;  // not the item kinds of the same names
    return m_distant->IsConnected() ? menu::kConnectedService : menu::kService;
}

void CDistantServiceItem::CreateShortcut() {
    CDeviceLocal* local = GetView()->GetDocument()->GetDeviceLocal();
    if (!local) return;
    if (local->ShortcutAlreadySaved(m_distant)) {
        nimbrel::ShowMessage(GetView(), tr("Shortcut already saved."));
        return;
    }
    if (!m_distant->SaveShortcut()) return;
    CDevice* device = m_distant->GetDevice();
    CDeviceDistant* shortcutDevice = local->GetShortcutDeviceDistant(device->GetBtAddr());
    if (!shortcutDevice)
        shortcutDevice = local->AddShortcutDevice(device->GetBtAddr(), device->GetName(), device->GetClass(), 0);
    shortcutDevice->AddShortcutService(m_distant->GetID(), m_distant->GetComPort());
    nimbrel::ShowMessage(GetView(), tr("Shortcut succesfully saved."));
}

void CDistantServiceItem::AnnounceComPort() {
    if (m_comPortAnnounced) return;
    m_comPortAnnounced = true;
    m_distant->UnsetDistantDisconnection();
    nimbrel::ShowMessage(GetView(),
                         tr("Connection succeeded on communication port COM%1:").arg(m_distant->GetComPort()),
                         QMessageBox::Information);
}
