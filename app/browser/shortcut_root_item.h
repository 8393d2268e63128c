#pragma once
// The saved shortcuts: the shortcut devices and their shortcut services, rebuilt from the
// engine on every update.
#include <memory>
#include <vector>

#include "app/browser/device_item.h"

class CDeviceLocal;
class CDistantDeviceItem;
class CShortcutItem;

class CShortcutRootItem : public CDeviceItem {
public:
    CShortcutRootItem(CNimbrelView* view, CDeviceLocal* device);
    ~CShortcutRootItem() override;

    // Replaces every item by new ones for the shortcuts the engine holds now. The old items go
    // through the view, which keeps them while a command on one of them still runs.
    void Rebuild();
    // The shortcut items.
    std::vector<CBrowserItem*> ServiceItems() const override;
    // Hands every item to the view to be deleted.
    void DeleteChildren();

private:
    CDeviceLocal* m_local;
    std::vector<std::unique_ptr<CDistantDeviceItem>> m_devices;
    std::vector<std::unique_ptr<CShortcutItem>> m_shortcuts;
};
