#include "app/frame/tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/browser/nimbrel_view.h"
#include "app/frame/command_ids.h"
#include "app/res/icons.h"

TrayIcon::TrayIcon(CNimbrelView* view) : m_view(view), m_menu(std::make_unique<QMenu>()) {
    // Menu 152.
    QAction* show = m_menu->addAction(tr("Show"));
    QAction* exit = m_menu->addAction(tr("Exit"));
    connect(show, &QAction::triggered, this, [this] { m_view->OnCommand(cmd::kShow); });
    connect(exit, &QAction::triggered, this, [this] { m_view->OnCommand(cmd::kExit); });
    if (!Available()) return;
    const QIcon icon = icons::Tray();
    if (icon.isNull()) return;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    // A left click opens the same menu as a right click.
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_menu->popup(QCursor::pos());
    });
    m_icon->setContextMenu(m_menu.get());
    m_icon->show();
}

TrayIcon::~TrayIcon() { Remove(); }

bool TrayIcon::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::Remove() {
    if (m_icon) m_icon->hide();
    m_icon.reset();
}

bool TrayIcon::Shown() const { return m_icon && m_icon->isVisible(); }

void TrayIcon::Notify(const QString& title, const QString& text) {
    if (Shown()) m_icon->showMessage(title, text, QSystemTrayIcon::Information);
}
