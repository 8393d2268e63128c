#include "app/frame/file_receiver.h"

#include <QFileInfo>
#include <QMetaObject>
#include <future>

#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "app/dialogs/receive_dlg.h"
#include "app/frame/main_frame.h"
#include "app/frame/nimbrel_doc.h"
#include "app/frame/progress_status.h"
#include "app/frame/desktop_notifier.h"
#include "engine/device/device_local.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/server/server_service.h"

namespace {

constexpr int kAnnouncementMs = 10000;

}  // namespace

FileReceiver::FileReceiver(CMainFrame* frame) : m_frame(frame) {}

bool FileReceiver::Start(const std::shared_ptr<FileReceiver>& receiver) {
    const auto backend = bth::InstalledBackend();
    if (!backend || !backend->HasObexService()) return false;
    obex::ConfigureServers({receiver, std::nullopt});
    return obex::StartServers(backend) == ERROR_SUCCESS;
}

void FileReceiver::Stop() {
    obex::StopServers();
    obex::ConfigureServers({});
}

QString FileReceiver::DeviceName(const obex::Peer& peer) const {
    const QString address = QString::fromStdString(peer.name);
    CDeviceLocal* local = m_frame && m_frame->GetDocument() ? m_frame->GetDocument()->GetDeviceLocal() : nullptr;
    if (!local || !peer.device) return address;
    auto lock = local->DevicesLock();
    for (auto* device : local->GetDevices())
        if (device->GetBtAddr() == *peer.device && !device->GetName().IsEmpty())
            return QStringLiteral("%1 (%2)").arg(ToQString(device->GetName()), address);
    return address;
}

bool FileReceiver::Allow(const obex::Offer& offer) {
    auto answer = std::make_shared<std::promise<bool>>();
    auto answered = answer->get_future();
    const QString file = QString::fromStdWString(offer.name);
    const std::optional<quint64> size = offer.length;
    const bool invoked = QMetaObject::invokeMethod(
        m_frame.data(),
        [self = shared_from_this(), answer, offer, file, size] {
            answer->set_value(CReceiveDlg::Ask(self->DeviceName(offer.peer), file, size, self->m_frame.data()));
        },
        Qt::QueuedConnection);
    if (!invoked) return false;
    // The dialog rejects by itself in time; this is slack for a busy window.
    if (answered.wait_for(obex::kOfferTimeout + std::chrono::seconds(5)) != std::future_status::ready) return false;
    try {
        return answered.get();
    } catch (const std::future_error&) {  // the window went before it asked
        return false;
    }
}

void FileReceiver::Received(const obex::Peer& peer, const std::filesystem::path& path, std::uint64_t size) {
    const QString file = QString::fromStdString(path.string());
    QMetaObject::invokeMethod(
        m_frame.data(),
        [self = shared_from_this(), peer, file, size] {
            CMainFrame* frame = self->m_frame.data();
            const QString name = QFileInfo(file).fileName();
            const QString text = tr("Received \u201C%1\u201D (%2) from %3")
                                     .arg(name, CReceiveDlg::SizeText(size), self->DeviceName(peer));
            // The status bar has little room: the name first, the whole story in its tooltip.
            frame->GetStatusBar()->showMessage(tr("Received \u201C%1\u201D").arg(name), kAnnouncementMs);
            frame->GetStatusBar()->setToolTip(text + QStringLiteral("\n") + file);
            frame->GetNotifier()->Notify(tr("File received"), text, QFileInfo(file).absolutePath());
        },
        Qt::QueuedConnection);
}

void FileReceiver::Refused(const obex::Peer& peer, const std::wstring& name, const std::string& reason) {
    const QString file = QString::fromStdWString(name);
    const QString why = QString::fromStdString(reason);
    QMetaObject::invokeMethod(
        m_frame.data(),
        [self = shared_from_this(), peer, file, why] {
            const QString from = self->DeviceName(peer);
            // Browsing refused and a file refused are told apart: other languages say them differently.
            const QString status =
                file.isEmpty() ? tr("Browsing not received") : tr("\u201C%1\u201D not received").arg(file);
            const QString story = file.isEmpty() ? tr("Browsing from %1 not received: %2").arg(from, why)
                                                 : tr("\u201C%1\u201D from %2 not received: %3").arg(file, from, why);
            self->m_frame->GetStatusBar()->showMessage(status, kAnnouncementMs);
            self->m_frame->GetStatusBar()->setToolTip(story);
        },
        Qt::QueuedConnection);
}
