#pragma once
// Messages for the user outside the window: the desktop's notification service
// (org.freedesktop.Notifications on the session bus) when there is one, else the notification
// area icon's balloon. A notification about a file can offer to open its folder.
#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // `fallback` shows a message where the desktop has no notification service.
    DesktopNotifier(QDBusConnection bus, std::function<void(const QString&, const QString&)> fallback,
                    QObject* parent = nullptr);

    // The desktop session's bus where there is one: never one started for us (autolaunched).
    static QDBusConnection SessionBus();

    // Never waits for the service. `folder`, when given, is offered as "Open folder".
    void Notify(const QString& summary, const QString& body, const QString& folder = QString());

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    std::function<void(const QString&, const QString&)> m_fallback;
    QHash<uint, QString> m_folders;  // notifications that offer a folder, by id
};
