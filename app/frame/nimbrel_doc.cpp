#include "app/frame/nimbrel_doc.h"

#include <QString>
#include <QStringList>
#include <mutex>
#include <string>

#include "app/browser/nimbrel_view.h"
#include "app/frame/file_receiver.h"
#include "app/frame/engine_events.h"
#include "app/frame/main_frame.h"
#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/server_spp.h"

namespace {

// What the engine reports while it is being switched on: the reason a failed start gives, as
// the window that would have shown it goes with the failed start.
std::mutex g_startLock;
bool g_starting = false;
QStringList g_startReports;

void CollectStartReports(bool on) {
    std::lock_guard lock(g_startLock);
    g_starting = on;
    if (on) g_startReports.clear();
}

// The error receiver: runs on the reporting thread, so it only posts the text to the window,
// which shows the boxes one at a time.
int ErrorBox(int code, const wchar_t* message, const wchar_t*, void*) {
    const QString text = message ? QString::fromWCharArray(message) : QString();
    {
        std::lock_guard lock(g_startLock);
        if (g_starting && !text.isEmpty() && !g_startReports.contains(text)) g_startReports.append(text);
    }
    EngineEvents::ReportError(code, text);
    return 0;
}

// Errors the program does not show.
constexpr int kSilentErrors[] = {ERR_OBEX_INCORRECT_INIT, ERR_OBEX_ABORT, ERR_BTS_STOP, ERR_INQUIRY_RUNNING};

// The error table's host entry and the receivers; attaching again changes nothing.
void AttachErrorReceivers() {
    const COMMUNICATION_HANDLE errorBox = NewCallBack(&ErrorBox);
    const COMMUNICATION_HANDLE blank = NewBlank();
    // The program's own texts in the engine's table, in the user's language.
    const std::wstring noProfile = CNimbrelDoc::tr("SDP Bluetooth profile not found").toStdWString();
    NewError(ERR_SDP_PROFILE, noProfile.c_str());
    // What a search on a switched-off adapter fails with (WSAENETDOWN).
    const std::wstring switchedOff = CNimbrelDoc::tr(
                                         "Bluetooth is switched off: switch it on with \"Bluetooth On\" "
                                         "in the radio menu of the status bar.")
                                         .toStdWString();
    NewError(static_cast<int>(WSAENETDOWN), switchedOff.c_str());
    AddCommunication(0, errorBox, ERROR_TYPE_UNKNOWN);
    for (int code : kSilentErrors) AddCommunication(code, blank, ERROR_TYPE_ERROR);
}

}  // namespace

CNimbrelDoc::CNimbrelDoc() = default;

CNimbrelDoc::~CNimbrelDoc() {
    if (m_receiver) FileReceiver::Stop();
}

bool CNimbrelDoc::OnNewDocument(CMainFrame* frame) {
    m_frame = frame;
    AttachErrorReceivers();  // first: the local device reports what it could not load
    m_pDeviceLocal = std::make_unique<CDeviceLocal>();
    m_pDeviceLocal->AddLocalService(new CServerSpp(m_pDeviceLocal.get()));
    if (frame && !frame->ClaimSingleInstance()) return false;
    CollectStartReports(true);
    const bool activated = ActivateEngine(true) != 0;
    CollectStartReports(false);
    if (!activated) {
        {
            std::lock_guard lock(g_startLock);
            m_startFailure = g_startReports.join(QLatin1Char('\n'));
        }
        if (m_startFailure.isEmpty()) m_startFailure = tr("The Bluetooth engine could not be switched on.");
        ActivateEngine(false);
        m_pDeviceLocal.reset();
        return false;
    }
    return true;
}

int CNimbrelDoc::ActivateEngine(bool activate) {
    if (!m_pDeviceLocal) return 0;
    if (!activate) {
        if (m_frame && m_frame->GetActiveView()) m_frame->GetActiveView()->StopListing();
        if (m_receiver) FileReceiver::Stop();
        m_receiver.reset();
        if (m_frame) m_frame->Events()->Listen(false);
        return m_pDeviceLocal->Activate(FALSE);
    }
    AttachErrorReceivers();
    const int activated = m_pDeviceLocal->Activate(TRUE);
    if (!activated) return 0;
    if (m_frame) m_frame->Events()->Listen(true);
    m_pDeviceLocal->ActivateLocalServices(TRUE);
    if (m_frame) {
        m_receiver = std::make_shared<FileReceiver>(m_frame);
        if (!FileReceiver::Start(m_receiver)) m_receiver.reset();
    }
    return activated;
}
