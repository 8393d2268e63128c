#include "app/browser/local_device_item.h"

#include <algorithm>

#include "app/browser/distant_device_item.h"
#include "app/browser/local_service_item.h"
#include "engine/device/device_local.h"
#include "engine/service/server_spp.h"

CLocalDeviceItem::CLocalDeviceItem(CNimbrelView* view, CDeviceLocal* device)
    : CDeviceItem(view, device), m_local(device) {}

CLocalDeviceItem::~CLocalDeviceItem() = default;

void CLocalDeviceItem::Open() {
    if (m_local->GetFoundDevices()) return;
    // The items go before the engine forgets the devices they point to.
    DeleteChildren();
    m_local->Clear();
    m_local->FindDevices();
}

int CLocalDeviceItem::GetAuthenticate() const { return m_local->GetAuthenticate(); }
void CLocalDeviceItem::SetAuthenticate(int on) { m_local->SetAuthenticate(on); }
int CLocalDeviceItem::GetFindable() const { return m_local->GetFindable(); }
void CLocalDeviceItem::SetFindable(int on) { m_local->SetFindable(on); }

void CLocalDeviceItem::Synchronise() {
    synchroniseDevices();
    synchroniseLocalServices();
}

void CLocalDeviceItem::synchroniseDevices() {
    std::vector<CDeviceDistant*> fresh;
    {
        auto lock = m_local->DevicesLock();
        const auto& devices = m_local->GetDevices();
        for (int i = m_devicesSeen; i < devices.GetSize(); ++i) fresh.push_back(devices[i]);
        m_devicesSeen = std::max(m_devicesSeen, devices.GetSize());
    }
    // On this thread the devices stay until it searches again (after deleting these items).
    for (CDeviceDistant* device : fresh) m_devices.push_back(std::make_unique<CDistantDeviceItem>(GetView(), device));
}

void CLocalDeviceItem::synchroniseLocalServices() {
    auto lock = m_local->LocalServicesLock();
    const auto& services = m_local->GetLocalServices();
    for (int i = m_servicesSeen; i < services.GetSize(); ++i) {
        if (services[i]->GetID() != SERVICE_ID_SERVER_SPP) continue;
        if (auto* server = dynamic_cast<CServerSpp*>(services[i]))
            m_services.push_back(std::make_unique<CSerialServerItem>(GetView(), server));
    }
    m_servicesSeen = std::max(m_servicesSeen, services.GetSize());
}

std::vector<CBrowserItem*> CLocalDeviceItem::ServiceItems() const {
    std::vector<CBrowserItem*> items;
    for (const auto& service : m_services) items.push_back(service.get());
    return items;
}

std::vector<CBrowserItem*> CLocalDeviceItem::DeviceItems() const {
    std::vector<CBrowserItem*> items;
    for (const auto& device : m_devices) items.push_back(device.get());
    return items;
}

CDistantDeviceItem* CLocalDeviceItem::FindDeviceItem(BT_ADDR address) const {
    for (const auto& device : m_devices)
        if (device->GetDevice()->GetBtAddr() == address) return device.get();
    return nullptr;
}

CDistantDeviceItem* CLocalDeviceItem::FindDeviceItem(const CDevice* device) const {
    for (const auto& item : m_devices)
        if (item->GetDevice() == device) return item.get();
    return nullptr;
}

void CLocalDeviceItem::DeleteChildren() {
    m_devices.clear();
    m_services.clear();
    m_devicesSeen = 0;
    m_servicesSeen = 0;
}
