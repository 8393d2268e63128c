#pragma once
// The main window: toolbar, status bar with progress, the device browser as its central
// widget, and the handlers of the engine's events. Closing the window
// hides it; the program ends through "Exit" only (or, where there is no notification area,
// by closing the window).
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/kernel/types.h"

class CNimbrelDoc;
class CNimbrelView;
class CProgressStatus;
class CRadioSwitch;
class DesktopNotifier;
class EngineEvents;
class InstanceServer;
class QAction;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CNimbrelDoc* doc);
    ~CMainFrame() override;

    CNimbrelDoc* GetDocument() const { return m_doc; }
    CNimbrelView* GetActiveView() const { return m_view; }
    CProgressStatus* GetStatusBar() const { return m_status; }
    // The status bar's radio pane, with the power switch.
    CRadioSwitch* GetRadioSwitch() const { return m_radio; }
    // Messages for the user outside the window.
    DesktopNotifier* GetNotifier() const { return m_notifier; }
    bool IsBusy() const { return m_busy; }

    // The engine's notifications and error reports, as signals the window's handlers take.
    EngineEvents* Events() const { return m_events; }

    // The handlers (user-interface thread), each run queued after the event of its name.
    void OnRefresh();
    void OnPairRequest(BT_ADDR device);
    void OnInquiryStarted();
    void OnInquiryEnded();
    void OnConnecting();
    void OnConnected(const void* service);
    void OnConnectFailed(const void* service);
    void OnDisconnected(const void* service);
    void OnDistantDisconnected(const void* service);
    void OnShowDeviceName();
    void OnExit();
    // A service's link lost (the window's error box tells it too) and, later, back: told by the
    // desktop's notifications while the window is not active.
    void OnLinkLost(const QString& text);
    void OnLinkReestablished(const QString& service);
    // An engine error report, shown in an "Error" box, one box at a time.
    void OnErrorReport(const QString& text);

    // Queue OnRefresh / OnShowDeviceName (for the view: they run after its own handler).
    void QueueRefresh();
    void QueueShowDeviceName();

    // Runs a toolbar command (the view handles all but About).
    void OnCommand(int id);

    // "Show" of the notification area: brings the window to the front.
    void ShowAndRaise();
    // "Exit" of the notification area, the shutdown order: the engine off (its callbacks
    // first), the notification-area icon removed, then UWM_EXIT posted to this window.
    void RunExitOrder();
    // Answers later starts of the program from now on (and brings this window to the front
    // for them). False when another running instance answers first.
    bool ClaimSingleInstance();
    // The shutdown order has run: the engine is off.
    bool Exiting() const { return m_exiting; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createToolBar();
    void updateCommands();
    void showNextErrorBox();

    void connectEngineEvents();

    CNimbrelDoc* m_doc;
    EngineEvents* m_events = nullptr;
    CNimbrelView* m_view = nullptr;
    CProgressStatus* m_status = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    CRadioSwitch* m_radio = nullptr;
    std::unique_ptr<InstanceServer> m_instanceServer;
    QAction* m_stopAction = nullptr;
    QAction* m_upAction = nullptr;
    bool m_busy = false;
    bool m_exiting = false;
    bool m_closing = false;
    QStringList m_pendingErrors;
    bool m_errorBoxShown = false;
};
