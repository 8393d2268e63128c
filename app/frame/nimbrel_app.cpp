#include "app/frame/nimbrel_app.h"

#include <QApplication>

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/splash_dlg.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "app/frame/single_instance.h"
#include "app/frame/tray_icon.h"
#include "engine/device/device_local.h"
#include "platform/bluetooth/bt_backend.h"
#include "tools/common/backend_choice.h"

CNimbrelApp::CNimbrelApp() = default;

CNimbrelApp::~CNimbrelApp() {
    // Engine threads stop before the window they post to goes, and the window (whose items
    // point into the engine) before the document deletes the engine's objects.
    if (m_doc && m_frame && !m_frame->Exiting()) m_doc->ActivateEngine(false);
    m_frame.reset();
    m_doc.reset();
}

CNimbrelApp::StartResult CNimbrelApp::InitInstance() {
    if (single_instance::AskRunningInstance()) return kOtherInstance;
    // The engine cannot start on a switched-off adapter: the user switches it on, or the
    // program ends (at once, not after the engine's ten seconds of waiting for the hardware).
    if (hostbackend::PoweredOff()) {
        if (nimbrel::ShowMessage(nullptr, tr("Bluetooth is switched off. Switch it on?"), QMessageBox::Question,
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            m_startFailure = tr("Bluetooth is switched off.");
            return kFailed;
        }
        if (const DWORD error = bth::InstalledBackend()->WritePower(true)) {
            m_startFailure = tr("Bluetooth could not be switched on (error %1).").arg(error);
            nimbrel::ShowError(nullptr, m_startFailure);
            return kFailed;
        }
    }

    auto splash = std::make_unique<CSplashDlg>();
    splash->show();
    splash->raise();
    splash->activateWindow();
    QApplication::processEvents();

    m_doc = std::make_unique<CNimbrelDoc>();
    m_frame = std::make_unique<CMainFrame>(m_doc.get());
    if (!m_doc->OnNewDocument(m_frame.get())) {
        // A document that failed yet kept its local device lost the race for the socket to
        // an instance started at the same time; one without it could not start the engine.
        const bool otherInstance = m_doc->GetDeviceLocal() != nullptr;
        m_startFailure = otherInstance ? QString() : m_doc->StartFailure();
        // The boxes the window had queued go with it: the reason is told here instead.
        m_frame.reset();
        m_doc.reset();
        splash.reset();
        if (otherInstance) return kOtherInstance;
        nimbrel::ShowError(nullptr, m_startFailure);
        return kFailed;
    }
    m_frame->GetActiveView()->OnUpdate();
    // The program lives in the notification area; without one, the window is its only door.
    if (!TrayIcon::Available()) m_frame->show();
    return kStarted;
}
