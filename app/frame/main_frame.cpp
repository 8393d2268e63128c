#include "app/frame/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QToolBar>

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/about_dlg.h"
#include "app/frame/command_ids.h"
#include "app/frame/engine_events.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "app/frame/progress_status.h"
#include "app/frame/radio_switch.h"
#include "app/frame/single_instance.h"
#include "app/frame/desktop_notifier.h"
#include "app/frame/tray_icon.h"
#include "platform/bluetooth/bt_address.h"
#include "app/res/icons.h"

namespace {

struct ToolButton {
    int id;  // 0: separator
    const char* tip;   // translated in the context of CMainFrame
    const char* keys;  // keyboard shortcut (also what scripts press)
};

// Toolbar 128, in its order.
constexpr ToolButton kToolbar[] = {
    {cmd::kStop, QT_TRANSLATE_NOOP("CMainFrame", "Stop"), "Esc"},
    {cmd::kRefresh, QT_TRANSLATE_NOOP("CMainFrame", "Refresh"), "F5"},
    {cmd::kUp, QT_TRANSLATE_NOOP("CMainFrame", "Up"), "Alt+Up"},
    {0, nullptr, nullptr},
    {cmd::kShortcuts, QT_TRANSLATE_NOOP("CMainFrame", "Shortcuts"), "Ctrl+K"},
    {cmd::kSearchDevices, QT_TRANSLATE_NOOP("CMainFrame", "Search Devices"), "Ctrl+F"},
    {cmd::kLocalServices, QT_TRANSLATE_NOOP("CMainFrame", "Local Services"), "Ctrl+L"},
    {0, nullptr, nullptr},
    {cmd::kSettings, QT_TRANSLATE_NOOP("CMainFrame", "Settings"), "Ctrl+P"},
    {0, nullptr, nullptr},
    {cmd::kAbout, QT_TRANSLATE_NOOP("CMainFrame", "About"), "F1"},
};

}  // namespace

CMainFrame::CMainFrame(CNimbrelDoc* doc) : m_doc(doc) {
    setWindowTitle(QStringLiteral("Nimbrel"));
    setWindowIcon(icons::Program());
    m_status = new CProgressStatus(this);
    setStatusBar(m_status);
    m_radio = new CRadioSwitch(m_status);
    m_status->addPermanentWidget(m_radio);
    createToolBar();
    m_view = new CNimbrelView(doc, this);
    setCentralWidget(m_view);
    m_notifier = new DesktopNotifier(
        DesktopNotifier::SessionBus(),
        [this](const QString& summary, const QString& body) {
            if (TrayIcon* tray = m_view->GetTrayIcon()) tray->Notify(summary, body);
        },
        this);
    m_events = new EngineEvents(this);
    connectEngineEvents();
    resize(720, 480);
    updateCommands();
}

CMainFrame::~CMainFrame() {
    delete m_events;  // first: no engine event reaches a window being destroyed
}

// Queued: a handler runs on this thread after the engine call that caused it has returned.
void CMainFrame::connectEngineEvents() {
    constexpr auto queued = Qt::QueuedConnection;
    const auto key = [](EngineEvents::ServiceKey service) { return reinterpret_cast<const void*>(service); };
    connect(m_events, &EngineEvents::listsChanged, this, &CMainFrame::OnRefresh, queued);
    connect(m_events, &EngineEvents::pairRequested, this, [this](quint64 device) { OnPairRequest(device); }, queued);
    connect(m_events, &EngineEvents::inquiryStarted, this, &CMainFrame::OnInquiryStarted, queued);
    connect(m_events, &EngineEvents::inquiryEnded, this, &CMainFrame::OnInquiryEnded, queued);
    connect(m_events, &EngineEvents::connecting, this, &CMainFrame::OnConnecting, queued);
    connect(m_events, &EngineEvents::connected, this, [this, key](auto service) { OnConnected(key(service)); }, queued);
    connect(m_events, &EngineEvents::connectFailed, this,
            [this, key](auto service) { OnConnectFailed(key(service)); }, queued);
    connect(m_events, &EngineEvents::disconnected, this, [this, key](auto service) { OnDisconnected(key(service)); },
            queued);
    connect(m_events, &EngineEvents::obexDisconnected, this,
            [this, key](auto service) { OnDistantDisconnected(key(service)); }, queued);
    connect(m_events, &EngineEvents::errorReported, this, &CMainFrame::OnErrorReport, queued);
    connect(m_events, &EngineEvents::linkLost, this, &CMainFrame::OnLinkLost, queued);
    connect(m_view, &CNimbrelView::linkReestablished, this, &CMainFrame::OnLinkReestablished);
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Nimbrel"));
    bar->setObjectName(QStringLiteral("toolbar128"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    for (const ToolButton& button : kToolbar) {
        if (!button.id) {
            bar->addSeparator();
            continue;
        }
        const QString tip = tr(button.tip);
        QAction* action = bar->addAction(icons::Command(button.id), tip);
        const QKeySequence keys(QString::fromLatin1(button.keys));
        action->setShortcut(keys);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText)));
        action->setData(button.id);
        const int id = button.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        if (id == cmd::kStop) m_stopAction = action;
        if (id == cmd::kUp) m_upAction = action;
    }
}

void CMainFrame::updateCommands() {
    m_stopAction->setEnabled(m_busy);
    m_upAction->setEnabled(m_view && m_view->CanGoUp());
}

void CMainFrame::QueueRefresh() { QMetaObject::invokeMethod(this, &CMainFrame::OnRefresh, Qt::QueuedConnection); }

void CMainFrame::QueueShowDeviceName() {
    QMetaObject::invokeMethod(this, &CMainFrame::OnShowDeviceName, Qt::QueuedConnection);
}

void CMainFrame::OnLinkLost(const QString& text) {
    if (!isActiveWindow()) m_notifier->Notify(tr("Link lost"), text);
}

void CMainFrame::OnLinkReestablished(const QString& service) {
    const QString text = tr("%1 is connected again.").arg(service);
    m_status->showMessage(text, 10000);
    if (!isActiveWindow()) m_notifier->Notify(tr("Link re-established"), text);
}

void CMainFrame::OnErrorReport(const QString& text) {
    m_pendingErrors.append(text);
    showNextErrorBox();
}

// One box at a time: a report that comes while a box is open waits for it to close.
void CMainFrame::showNextErrorBox() {
    if (m_errorBoxShown) return;
    m_errorBoxShown = true;
    while (!m_pendingErrors.isEmpty()) {
        const QString text = m_pendingErrors.takeFirst();
        nimbrel::ShowError(this, text);
    }
    m_errorBoxShown = false;
}

void CMainFrame::OnRefresh() {
    m_view->OnUpdate();
    updateCommands();
}

void CMainFrame::OnPairRequest(BT_ADDR device) {
    // The PIN dialog shows with the window; while it is hidden, the desktop says who asks.
    if (!isVisible())
        m_notifier->Notify(tr("Pairing request"),
                           tr("%1 asks to pair with this computer. Open Nimbrel to answer.")
                               .arg(QString::fromStdString(bth::FormatAddress(device)).toUpper()));
    // Posted on, so that the PIN dialog runs outside this handler.
    CNimbrelView* view = m_view;
    QMetaObject::invokeMethod(view, [view, device] { view->OnViewPairRequest(device); }, Qt::QueuedConnection);
}

void CMainFrame::OnInquiryStarted() {
    m_busy = true;
    m_status->StartInquiry();
    updateCommands();
}

void CMainFrame::OnInquiryEnded() {
    m_busy = false;
    m_status->Stop();
    updateCommands();
}

void CMainFrame::OnConnecting() { m_status->StartConnecting(); }

void CMainFrame::OnConnected(const void* service) {
    m_status->Stop();
    QueueRefresh();  // runs even while the item's answer to the connection shows a dialog
    m_view->OnViewConnected(service);
    updateCommands();
}

void CMainFrame::OnConnectFailed(const void* service) {
    m_status->Stop();
    m_view->OnViewConnectFailed(service);
    updateCommands();
}

void CMainFrame::OnDisconnected(const void*) { OnRefresh(); }

void CMainFrame::OnDistantDisconnected(const void* service) {
    m_view->OnViewDistantDisconnected(service);
    updateCommands();
}

void CMainFrame::OnShowDeviceName() { m_status->SetDeviceName(m_view->CurrentDeviceName()); }

void CMainFrame::OnExit() {
    m_view->ResetForExit();
    m_closing = true;
    close();
    QCoreApplication::quit();
}

void CMainFrame::OnCommand(int id) {
    if (id == cmd::kAbout) {
        CAboutDlg about(this);
        nimbrel::RunModal(about);
    } else {
        m_view->OnCommand(id);
    }
    updateCommands();
}

void CMainFrame::ShowAndRaise() {
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void CMainFrame::RunExitOrder() {
    if (m_exiting) return;
    m_exiting = true;
    m_doc->ActivateEngine(false);
    if (TrayIcon* tray = m_view->GetTrayIcon()) tray->Remove();
    QMetaObject::invokeMethod(this, &CMainFrame::OnExit, Qt::QueuedConnection);
}

bool CMainFrame::ClaimSingleInstance() {
    if (!m_instanceServer) m_instanceServer = std::make_unique<InstanceServer>([this] { ShowAndRaise(); });
    return m_instanceServer->Listen();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    // Without a notification area a hidden window could not be reached again: closing it
    // ends the program instead.
    if (!TrayIcon::Available()) {
        RunExitOrder();
        return;
    }
    hide();
}
