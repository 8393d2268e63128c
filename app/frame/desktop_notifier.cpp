#include "app/frame/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kOpenFolder = QStringLiteral("open-folder");
constexpr int kExpireMs = 10000;
constexpr int kCallTimeoutMs = 5000;
constexpr int kMaxRemembered = 64;  // notifications whose folder is still offered

}  // namespace

QDBusConnection DesktopNotifier::SessionBus() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (address.isEmpty() && (runtime.isEmpty() || !QFileInfo::exists(QString::fromLocal8Bit(runtime) + "/bus")))
        return QDBusConnection(QStringLiteral("no session bus"));
    return QDBusConnection::sessionBus();
}

DesktopNotifier::DesktopNotifier(QDBusConnection bus, std::function<void(const QString&, const QString&)> fallback,
                                 QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_fallback(std::move(fallback)) {
    if (!m_bus.isConnected()) return;
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this, SLOT(OnClosed(uint, uint)));
}

void DesktopNotifier::Notify(const QString& summary, const QString& body, const QString& folder) {
    if (!m_bus.isConnected()) {
        if (m_fallback) m_fallback(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QStringList actions;
    if (!folder.isEmpty()) actions << kOpenFolder << tr("Open folder");
    // The body is plain text: a notification server may read it as markup.
    call << QStringLiteral("Nimbrel") << uint(0) << QStringLiteral("nimbrel") << summary << body.toHtmlEscaped()
         << actions << QVariantMap() << kExpireMs;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body, folder] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {  // no notification service (ServiceUnknown), or it did not answer
            if (m_fallback) m_fallback(summary, body);
            return;
        }
        if (folder.isEmpty()) return;
        if (m_folders.size() >= kMaxRemembered) m_folders.erase(m_folders.begin());
        m_folders.insert(reply.value(), folder);
    });
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    const auto folder = m_folders.find(id);
    if (folder == m_folders.end() || action != kOpenFolder) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(*folder));
}

void DesktopNotifier::OnClosed(uint id, uint) { m_folders.remove(id); }
