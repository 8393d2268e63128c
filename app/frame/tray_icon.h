#pragma once
// The icon in the notification area. A left or right click opens "Show" and "Exit", which
// go to the view as commands. Where the desktop has no notification area, Available() is
// false and the window stays reachable (it is shown at start, and closing it exits).
#include <QObject>
#include <memory>

class CNimbrelView;
class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(CNimbrelView* view);
    ~TrayIcon() override;  // removes the icon

    static bool Available();
    void Remove();
    bool Shown() const;
    // A message from the icon (a balloon, or the desktop's notification).
    void Notify(const QString& title, const QString& text);
    QMenu* Menu() const { return m_menu.get(); }

private:
    CNimbrelView* m_view;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};
