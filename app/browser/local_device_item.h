#pragma once
// The root of the browser: this device. It owns the items of the remote devices found and of
// the local services; opening it searches for devices (once, until a refresh).
#include <memory>
#include <vector>

#include "app/browser/context_menus.h"
#include "app/browser/device_item.h"

class CDeviceLocal;
class CDistantDeviceItem;
class CLocalServiceItem;

class CLocalDeviceItem : public CDeviceItem {
public:
    CLocalDeviceItem(CNimbrelView* view, CDeviceLocal* device);
    ~CLocalDeviceItem() override;

    CDeviceLocal* GetLocalDevice() const { return m_local; }

    int GetMenuId() const override { return context_menus::menu::kPairedDevice; }
    bool HasPage(Page page) const override { return page == kGeneralPage || page == kSecurityPage; }
    void Open() override;
    int GetAuthenticate() const override;
    void SetAuthenticate(int on) override;
    int GetFindable() const override;
    void SetFindable(int on) override;

    // Appends items for the devices and local services listed since the last call.
    void Synchronise() override;
    // The local-service items.
    std::vector<CBrowserItem*> ServiceItems() const override;
    std::vector<CBrowserItem*> DeviceItems() const;
    // The item of the remote device with this address, or null.
    CDistantDeviceItem* FindDeviceItem(BT_ADDR address) const;
    // The item of this remote device, or null.
    CDistantDeviceItem* FindDeviceItem(const CDevice* device) const;
    // Deletes the device and local-service items; the next Synchronise starts again from the
    // first of each.
    void DeleteChildren();

private:
    void synchroniseDevices();
    void synchroniseLocalServices();

    CDeviceLocal* m_local;
    std::vector<std::unique_ptr<CDistantDeviceItem>> m_devices;
    std::vector<std::unique_ptr<CLocalServiceItem>> m_services;
    int m_devicesSeen = 0;   // the engine's devices looked at
    int m_servicesSeen = 0;  // the engine's local services looked at, with an item or without
};
