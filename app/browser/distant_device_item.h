#pragma once
// A remote device: opening it searches its services (once), and it owns the items of the
// services found.
#include <memory>
#include <vector>

#include "app/browser/device_item.h"

class CDeviceDistant;
class CDistantServiceItem;
class CServiceDistant;

class CDistantDeviceItem : public CDeviceItem {
public:
    CDistantDeviceItem(CNimbrelView* view, CDeviceDistant* device);
    ~CDistantDeviceItem() override;

    CDeviceDistant* GetDistantDevice() const { return m_distant; }

    // 3 paired with a service connected, 2 connected only, 1 paired only, else none.
    int GetOverlay() const override;
    int GetMenuId() const override;
    bool HasPage(Page page) const override { return page == kGeneralPage; }
    void Open() override;
    void Pair() override;
    void Unpair() override;
    void Update() override;

    void Synchronise() override;
    std::vector<CBrowserItem*> ServiceItems() const override;
    // Deletes the service items; the next Synchronise starts from the first service again.
    void DeleteServiceItems();
    // Runs the incoming pairing for this device: the user's PIN answers it, cancelling refuses.
    void AnswerPairRequest();

private:
    CDeviceDistant* m_distant;
    std::vector<std::unique_ptr<CDistantServiceItem>> m_services;
    int m_servicesSeen = 0;  // the engine's services looked at, with an item or without
};

// The item for a remote service by its identifier (serial port, file transfer, object push,
// dial-up); null for any other service.
std::unique_ptr<CDistantServiceItem> MakeDistantServiceItem(CNimbrelView* view, CServiceDistant* service);
