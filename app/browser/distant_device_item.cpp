#include "app/browser/distant_device_item.h"

#include "app/browser/context_menus.h"
#include "app/browser/dial_up_item.h"
#include "app/browser/file_transfer_item.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/object_push_item.h"
#include "app/browser/engine_call_worker.h"
#include "app/browser/serial_port_item.h"
#include "app/dialogs/pairing_dlg.h"
#include "app/dialogs/pin_dlg.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "engine/device/device_distant.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "engine/service/client_spp.h"
#include "platform/bluetooth/bt_backend.h"

std::unique_ptr<CDistantServiceItem> MakeDistantServiceItem(CNimbrelView* view, CServiceDistant* service) {
    switch (service->GetID()) {
        case SERVICE_ID_SPP:
            if (auto* spp = dynamic_cast<CClientSpp*>(service)) return std::make_unique<CSerialPortItem>(view, spp);
            break;
        case SERVICE_ID_FTP:
            if (auto* ftp = dynamic_cast<CClientFtp*>(service)) return std::make_unique<CFileTransferItem>(view, ftp);
            break;
        case SERVICE_ID_OPP:
            if (auto* opp = dynamic_cast<CClientOpp*>(service)) return std::make_unique<CObjectPushItem>(view, opp);
            break;
        case SERVICE_ID_DUN: return std::make_unique<CDialUpItem>(view, service);
        default: break;
    }
    return nullptr;
}

CDistantDeviceItem::CDistantDeviceItem(CNimbrelView* view, CDeviceDistant* device)
    : CDeviceItem(view, device), m_distant(device) {}

CDistantDeviceItem::~CDistantDeviceItem() {
    delete m_pairingDlg.data();
}

CPairingDlg* CDistantDeviceItem::PairingDialog() const { return m_pairingDlg.data(); }

bool CDistantDeviceItem::IsPairing() const { return m_pairing && m_pairing->Running(); }

int CDistantDeviceItem::GetOverlay() const {
    bool connected = false;
    for (const auto& service : m_services) connected = connected || service->GetDistantService()->IsConnected();
    const bool paired = m_distant->IsPaired() != 0;
    if (connected) return paired ? 3 : 2;
    return paired ? 1 : 0;
}

int CDistantDeviceItem::GetMenuId() const {
    namespace menu = context_menus::menu;  // not the item kinds of the same names
    return m_distant->IsPaired() ? menu::kPairedDevice : menu::kUnpairedDevice;
}

void CDistantDeviceItem::Open() {
    if (m_distant->GetFoundServices()) return;
    // The items go before the engine forgets the services they point to.
    DeleteServiceItems();
    m_distant->Clear();
    m_distant->FindServices();
}

void CDistantDeviceItem::Pair() {
    if (showRunningPairing()) return;
    std::wstring pin;
    const QString caption = tr("Pair %1").arg(GetName());
    const QString prompt = tr("Enter the PIN to pair with %1 (%2).").arg(GetName(), GetAddressText());
    if (!CPinDlg::Ask(caption, prompt, GetView(), &pin)) return;
    CDeviceDistant* device = m_distant;
    startPairing(caption, [device, pin] { device->AskPairRequest(static_cast<int>(pin.size()), pin.c_str()); });
}

void CDistantDeviceItem::AnswerPairRequest() {
    // The device asked while our own pairing with it runs: that pairing answers it.
    if (showRunningPairing()) return;
    if (askedToConfirm()) return;
    std::wstring pin;
    const QString caption = tr("Pair request %1").arg(GetName());
    const QString prompt =
        tr("%1 (%2) asks to pair with this computer. Enter the PIN it expects.").arg(GetName(), GetAddressText());
    if (!CPinDlg::Ask(caption, prompt, GetView(), &pin)) {
        m_distant->RefusePairRequest();
        return;
    }
    CDeviceDistant* device = m_distant;
    startPairing(caption, [device, pin] { device->AnswerPairRequest(static_cast<int>(pin.size()), pin.c_str()); });
}

bool CDistantDeviceItem::askedToConfirm() {
    bth::PinRequestKind kind;
    auto backend = bth::InstalledBackend();
    if (!backend || backend->ReadPinRequestKind(m_distant->GetBtAddr(), &kind) != ERROR_SUCCESS || !kind.confirmation)
        return false;
    // Secure Simple Pairing: the user compares the passkey both devices show, or just agrees.
    const QString question = kind.passkey ? tr("%1 asks to pair.\n\nDoes it show the passkey %2?")
                                                .arg(GetName())
                                                .arg(*kind.passkey, 6, 10, QLatin1Char('0'))
                                          : tr("%1 asks to pair. Allow it?").arg(GetName());
    const QString caption = tr("Pair request %1").arg(GetName());
    if (nimbrel::ShowMessage(GetView(), question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, caption) !=
        QMessageBox::Yes) {
        m_distant->RefusePairRequest();
        return true;
    }
    CDeviceDistant* device = m_distant;
    startPairing(caption, [device] { device->AnswerPairRequest(1, L"y"); });
    return true;
}

bool CDistantDeviceItem::showRunningPairing() {
    if (!IsPairing()) return false;
    if (m_pairingDlg) {
        m_pairingDlg->show();
        m_pairingDlg->raise();
    }
    return true;
}

void CDistantDeviceItem::startPairing(const QString& caption, std::function<void()> call) {
    if (!m_pairing) {
        m_pairing = std::make_unique<EngineCallWorker>();
        // The worker goes with this item, and its connection with it.
        QObject::connect(m_pairing.get(), &EngineCallWorker::Finished, m_pairing.get(), [this] { pairingFinished(); });
    }
    delete m_pairingDlg.data();
    m_pairingDlg = new CPairingDlg(caption, GetView()->GetFrame());
    if (!m_pairing->Start(std::move(call))) return;
    m_pairingDlg->show();
}

void CDistantDeviceItem::pairingFinished() {
    // Cancelled: the user no longer waits for the outcome, which the list shows anyway.
    if (!m_pairingDlg || !m_pairingDlg->isVisible()) return;
    m_pairingDlg->hide();
    if (!m_distant->IsPaired())
        nimbrel::ShowMessage(GetView(), tr("Pairing with %1 failed.").arg(GetName()), QMessageBox::Warning);
}

void CDistantDeviceItem::Unpair() { m_distant->Unpair(); }

void CDistantDeviceItem::Update() { m_distant->Update(); }

void CDistantDeviceItem::Synchronise() {
    std::vector<CServiceDistant*> fresh;
    {
        auto lock = m_distant->ServicesLock();
        const auto& services = m_distant->GetServices();
        for (int i = m_servicesSeen; i < services.GetSize(); ++i) fresh.push_back(services[i]);
        m_servicesSeen = std::max(m_servicesSeen, services.GetSize());
    }
    // On this thread the services stay until this item's device searches them again.
    for (CServiceDistant* service : fresh)
        if (auto item = MakeDistantServiceItem(GetView(), service)) m_services.push_back(std::move(item));
}

std::vector<CBrowserItem*> CDistantDeviceItem::ServiceItems() const {
    std::vector<CBrowserItem*> items;
    for (const auto& service : m_services) items.push_back(service.get());
    return items;
}

void CDistantDeviceItem::DeleteServiceItems() {
    m_services.clear();
    m_servicesSeen = 0;
}
