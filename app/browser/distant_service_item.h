#pragma once
// A service of a remote device. Connect and Disconnect both toggle it (Open); a connected
// service can be saved as a shortcut.
#include <QCoreApplication>

#include "app/browser/service_item.h"

class CServiceDistant;

class CDistantServiceItem : public CServiceItem {
    Q_DECLARE_TR_FUNCTIONS(CDistantServiceItem)

public:
    CDistantServiceItem(CNimbrelView* view, CServiceDistant* service, Kind kind = kDistantService);

    CServiceDistant* GetDistantService() const { return m_distant; }

    // 2 connected, else 4 when the remote side closed the link, else none.
    int GetOverlay() const override;
    int GetMenuId() const override;
    void Connect() override { Open(); }
    void Disconnect() override { Open(); }
    void CreateShortcut() override;

protected:
    // A connection attempt to a COM port starts: its success is told once.
    void ExpectConnection() { m_comPortAnnounced = false; }
    // The connection came up: forgets a remote disconnection and tells the user the port,
    // unless that was done for this attempt already (Connect may find the attempt over before
    // the connected notification arrives).
    void AnnounceComPort();

private:
    CServiceDistant* m_distant;
    bool m_comPortAnnounced = false;
};

// The overlay of a remote service: 2 connected, 4 closed by the remote side, else 0.
int DistantServiceOverlay(const CServiceDistant& service);
