#include "app/browser/shortcut_item.h"

#include "app/browser/context_menus.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/distant_service_item.h"
#include "app/browser/qt_text.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "engine/device/device_local.h"
#include "engine/service/service_distant.h"

QString ShortcutName(const QString& service, unsigned int comPort, const QString& device) {
    // A service without a port (object push, file transfer) keeps the "none" mark as its port.
    if (comPort == 0 || comPort == NO_COM_PORT) return CShortcutItem::tr("%1 on %2").arg(service, device);
    return CShortcutItem::tr("%1 on  COM %2 %3").arg(service, QString::number(comPort), device);
}

CShortcutItem::CShortcutItem(CNimbrelView* view, CServiceDistant* shortcut)
    : CBrowserItem(view, kPlain), m_shortcut(shortcut) {}

CShortcutItem::~CShortcutItem() { GetView()->ForgetItem(this); }

QString CShortcutItem::GetName() const {
    if (!m_shortcut) return {};
    return ShortcutName(ToQString(m_shortcut->GetName()), m_shortcut->GetComPort(),
                        ToQString(m_shortcut->GetDevice()->GetName()));
}

int CShortcutItem::GetOverlay() const {
    if (!m_shortcut) return 0;
    if (CDeviceLocal* local = GetView()->GetDocument()->GetDeviceLocal())
        if (CServiceDistant* real = local->GetServiceFromShortcut(m_shortcut))
            m_shortcut->SetConnected(real->IsConnected());
    return DistantServiceOverlay(*m_shortcut);
}

int CShortcutItem::GetImage() const {
    switch (m_shortcut ? m_shortcut->GetID() : 0) {
        case SERVICE_ID_SPP: return 7;
        case SERVICE_ID_FTP: return 8;
        case SERVICE_ID_OPP: return 9;
        case SERVICE_ID_DUN: return 11;
        default: return 0;
    }
}

int CShortcutItem::GetMenuId() const {
    namespace menu = context_menus::menu;  // not the item kinds of the same names
    return m_shortcut && m_shortcut->IsConnected() ? menu::kConnectedShortcut : menu::kShortcut;
}

void CShortcutItem::Open() {
    if (!m_shortcut || m_shortcut->IsConnected()) return;
    ConnectShortcut();
}

void CShortcutItem::DeleteShortcut() {
    CDeviceLocal* local = GetView()->GetDocument()->GetDeviceLocal();
    if (!m_shortcut || !local) return;
    if (nimbrel::ShowMessage(GetView(), tr("Do you really want to delete this shortcut?"), QMessageBox::Critical,
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    CServiceDistant* shortcut = m_shortcut;
    m_shortcut = nullptr;  // the engine deletes it now
    local->DeleteShortcut(shortcut);
    GetView()->OnUpdate();
    nimbrel::ShowMessage(GetView(), tr("Shortcut deleted."), QMessageBox::Information);
}

void CShortcutItem::ConnectShortcut() {
    CDeviceLocal* local = GetView()->GetDocument()->GetDeviceLocal();
    if (!m_shortcut || !local) return;
    CDevice* named = m_shortcut->GetDevice();
    CDeviceDistant* device = local->getDeviceDistant(named->GetBtAddr());
    if (!device) device = local->addDevice(named->GetBtAddr(), named->GetName(), named->GetClass(), 0);
    if (!device) return;
    CServiceDistant* service = device->GetService(m_shortcut->GetID());
    if (service) service->SetComPort(m_shortcut->GetComPort());
    else service = device->AddDistantService(m_shortcut->GetID(), m_shortcut->GetComPort());
    if (service) GetView()->ShowService(service);
}
