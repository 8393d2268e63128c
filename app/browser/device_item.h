#pragma once
// A device level of the browser: the local device, a remote device or the shortcut root.
// Opening one shows its services; the picture comes from the class of device.
#include <vector>

#include "app/browser/browser_item.h"

class CDevice;

class CDeviceItem : public CBrowserItem {
public:
    CDeviceItem(CNimbrelView* view, CDevice* device);
    ~CDeviceItem() override;

    CDevice* GetDevice() const { return m_device; }

    QString GetName() const override;
    const void* GetEngineObject() const override { return m_device; }
    int GetOverlay() const override { return 0; }
    unsigned int GetClass() const override;
    int GetImage() const override;
    QString GetAddressText() const override;

    // Appends items for what the engine listed since the last call; never removes any.
    virtual void Synchronise() {}
    // The service items this level shows, in order.
    virtual std::vector<CBrowserItem*> ServiceItems() const { return {}; }

private:
    CDevice* m_device;
};

// "12:34:56:78:9a:bc": the address's six bytes, most significant first, lower-case hexadecimal.
QString AddressText(BT_ADDR address);
