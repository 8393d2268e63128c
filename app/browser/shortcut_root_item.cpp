#include "app/browser/shortcut_root_item.h"

#include "app/browser/distant_device_item.h"
#include "app/browser/nimbrel_view.h"
#include "app/browser/shortcut_item.h"
#include "engine/device/device_local.h"

CShortcutRootItem::CShortcutRootItem(CNimbrelView* view, CDeviceLocal* device)
    : CDeviceItem(view, device), m_local(device) {}

CShortcutRootItem::~CShortcutRootItem() = default;

void CShortcutRootItem::DeleteChildren() {
    std::vector<std::unique_ptr<CBrowserItem>> old;
    for (auto& device : m_devices) old.push_back(std::move(device));
    for (auto& shortcut : m_shortcuts) old.push_back(std::move(shortcut));
    m_devices.clear();
    m_shortcuts.clear();
    GetView()->DisposeItems(std::move(old));
}

void CShortcutRootItem::Rebuild() {
    DeleteChildren();
    std::vector<CDeviceDistant*> devices;
    std::vector<CServiceDistant*> shortcuts;
    {
        auto lock = m_local->DevicesLock();
        for (CDeviceDistant* device : m_local->GetShortcutDevices()) {
            devices.push_back(device);
            auto servicesLock = device->ServicesLock();
            for (CServiceDistant* shortcut : device->GetShortcutServices()) shortcuts.push_back(shortcut);
        }
    }
    // Shortcut devices live as long as the local device, their services until this thread
    // deletes the shortcut.
    for (CDeviceDistant* device : devices) m_devices.push_back(std::make_unique<CDistantDeviceItem>(GetView(), device));
    for (CServiceDistant* shortcut : shortcuts)
        m_shortcuts.push_back(std::make_unique<CShortcutItem>(GetView(), shortcut));
}

std::vector<CBrowserItem*> CShortcutRootItem::ServiceItems() const {
    std::vector<CBrowserItem*> items;
    for (const auto& shortcut : m_shortcuts) items.push_back(shortcut.get());
    return items;
}
