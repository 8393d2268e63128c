#pragma once
// A remote device: opening it searches its services (once), and it owns the items of the
// services found.
#include <QCoreApplication>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "app/browser/device_item.h"

class CDeviceDistant;
class CPairingDlg;
class EngineCallWorker;
class CDistantServiceItem;
class CServiceDistant;

class CDistantDeviceItem : public CDeviceItem {
    Q_DECLARE_TR_FUNCTIONS(CDistantDeviceItem)

public:
    CDistantDeviceItem(CNimbrelView* view, CDeviceDistant* device);
    ~CDistantDeviceItem() override;

    CDeviceDistant* GetDistantDevice() const { return m_distant; }

    // 3 paired with a service connected, 2 connected only, 1 paired only, else none.
    int GetOverlay() const override;
    int GetMenuId() const override;
    bool HasPage(Page page) const override { return page == kGeneralPage; }
    void Open() override;
    // Asks for the PIN, then pairs on a thread of its own with a dialog that can be cancelled.
    void Pair() override;
    void Unpair() override;
    void Update() override;

    void Synchronise() override;
    std::vector<CBrowserItem*> ServiceItems() const override;
    // Deletes the service items; the next Synchronise starts from the first service again.
    void DeleteServiceItems();
    // Runs the incoming pairing for this device: the user's PIN answers it (off the
    // user-interface thread, as Pair does), cancelling refuses.
    void AnswerPairRequest();
    // The dialog of the pairing running or last run; null before the first.
    CPairingDlg* PairingDialog() const;
    // A pairing was started and its end has not arrived yet.
    bool IsPairing() const;

private:
    // A pairing runs: its dialog comes to the front. False when none runs.
    // When the device's request asks only yes or no (with a passkey to compare): asks the
    // user and answers; false when it asks for a PIN.
    bool askedToConfirm();
    bool showRunningPairing();
    void startPairing(const QString& caption, std::function<void()> call);
    void pairingFinished();

    CDeviceDistant* m_distant;
    std::vector<std::unique_ptr<CDistantServiceItem>> m_services;
    int m_servicesSeen = 0;  // the engine's services looked at, with an item or without
    QPointer<CPairingDlg> m_pairingDlg;  // a child of the main window, which may delete it first
    std::unique_ptr<EngineCallWorker> m_pairing;  // goes first of the members: waits for its call
};

// The item for a remote service by its identifier (serial port, file transfer, object push,
// dial-up); null for any other service.
std::unique_ptr<CDistantServiceItem> MakeDistantServiceItem(CNimbrelView* view, CServiceDistant* service);
