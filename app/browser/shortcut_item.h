#pragma once
// A saved shortcut to a remote service: connecting it finds (or makes) the device and the
// service it names and opens that service's level.
#include <QCoreApplication>

#include "app/browser/browser_item.h"

class CServiceDistant;

class CShortcutItem : public CBrowserItem {
    Q_DECLARE_TR_FUNCTIONS(CShortcutItem)

public:
    CShortcutItem(CNimbrelView* view, CServiceDistant* shortcut);
    ~CShortcutItem() override;

    CServiceDistant* GetShortcut() const { return m_shortcut; }

    // "<service> on <device>", with " COM <n> " after " on " when the shortcut has a port.
    QString GetName() const override;
    const void* GetEngineObject() const override { return m_shortcut; }
    // The real service's connected state first goes to the shortcut; then 2 / 4 / none.
    int GetOverlay() const override;
    unsigned int GetClass() const override { return 0; }
    int GetImage() const override;
    int GetMenuId() const override;
    void Open() override;
    void DeleteShortcut() override;
    void ConnectShortcut() override;

private:
    CServiceDistant* m_shortcut;  // null once the shortcut is deleted
};

// The text of a shortcut: the service name, " on ", " COM <port> " when the port is not 0,
// and the device name.
QString ShortcutName(const QString& service, unsigned int comPort, const QString& device);
