#include "app/browser/local_service_item.h"

#include "app/browser/context_menus.h"
#include "app/browser/nimbrel_view.h"
#include "app/dialogs/com_port_dlg.h"
#include "app/frame/modal.h"
#include "engine/service/server_spp.h"

CLocalServiceItem::CLocalServiceItem(CNimbrelView* view, CServiceLocal* service, Kind kind)
    : CServiceItem(view, kind, service), m_local(service) {}

CSerialServerItem::CSerialServerItem(CNimbrelView* view, CServerSpp* server)
    : CLocalServiceItem(view, server, kSerialServer), m_server(server) {}

QString CSerialServerItem::GetName() const { return tr("Serial Port"); }

int CSerialServerItem::GetOverlay() const { return m_server->IsConnected() ? 2 : 0; }

int CSerialServerItem::GetMenuId() const {
    namespace menu = context_menus::menu;  // not the item kinds of the same names
    return m_server->IsConnected() ? menu::kRunningServer : menu::kStoppedServer;
}

void CSerialServerItem::Open() {
    if (m_server->IsConnected()) {
        m_server->Disconnect();
        return;
    }
    const std::vector<int> ports = m_server->getAvailablePortComList();
    if (ports.empty()) return;
    int chosen = 0;
    if (!CComPortDlg::Choose(ports, GetView(), &chosen)) return;
    m_server->setSelectedPortCom(chosen);
    if (m_server->Connect())
        nimbrel::ShowMessage(GetView(),
                             tr("Serial Port successfully loaded on port COM%1:").arg(m_server->GetComPort()),
                             QMessageBox::Information);
}
