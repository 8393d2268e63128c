#include "app/browser/serial_port_item.h"

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/com_port_dlg.h"
#include "engine/service/client_spp.h"

CSerialPortItem::CSerialPortItem(CNimbrelView* view, CClientSpp* service)
    : CDistantServiceItem(view, service, kSerialPort), m_client(service) {}

void CSerialPortItem::Open() {
    if (m_client->IsConnected()) {
        m_client->Disconnect();
        return;
    }
    if (m_client->GetDistantDisconnection()) {
        m_client->UnsetDistantDisconnection();
        return;
    }
    m_client->ResetService();
    const std::vector<int> ports = m_client->getAvailablePortComList();
    if (ports.empty()) return;
    if (ports.size() == 1) {
        m_client->setSelectedPortCom(static_cast<unsigned int>(ports.front()));
    } else {
        int chosen = 0;
        if (!CComPortDlg::Choose(ports, GetView(), &chosen)) return;
        m_client->setSelectedPortCom(static_cast<unsigned int>(chosen));
    }
    ExpectConnection();
    if (m_client->Connect()) AnnounceComPort();
}

void CSerialPortItem::OnConnected() {
    if (m_client->IsConnected()) AnnounceComPort();
}
