#include "app/dialogs/transfer_dlg.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <mutex>

#include "app/browser/browser_item.h"
#include "app/browser/nimbrel_view.h"
#include "app/frame/desktop_notifier.h"
#include "app/frame/main_frame.h"
#include "engine/obex/client_obex.h"

namespace {

// The live dialogs by context. The engine gets a context number, never a dialog's address:
// a report for a dialog that is gone finds nothing here.
std::mutex g_liveLock;
std::map<long, CTransferDlg*> g_live;
long g_lastContext = 0;

long Register(CTransferDlg* dialog) {
    std::lock_guard lock(g_liveLock);
    const long context = ++g_lastContext;
    g_live[context] = dialog;
    return context;
}

void Unregister(long context) {
    std::lock_guard lock(g_liveLock);
    g_live.erase(context);
}

// The notification's text: what moved (when known), and how it ended.
QString finishedText(const QString& what, bool finished) {
    if (what.isEmpty())
        return finished ? CTransferDlg::tr("The transfer finished.") : CTransferDlg::tr("The transfer failed.");
    return finished ? CTransferDlg::tr("%1: done.").arg(what) : CTransferDlg::tr("%1: failed.").arg(what);
}

}  // namespace

CTransferDlg::CTransferDlg(CBrowserItem* owner, CMainFrame* parent)
    : QDialog(parent), m_owner(owner), m_frame(parent), m_context(Register(this)) {
    setWindowTitle(tr("Transfer ..."));
    m_what = new QLabel(this);
    m_what->hide();
    m_detail = new QLabel(this);
    m_detail->setAccessibleName(tr("Progress of the transfer"));
    m_message = new QLabel(this);
    m_message->hide();
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_button = new QPushButton(tr("Abort"), this);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_failed)
            hide();
        else
            OnAbort();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_what);
    layout->addWidget(m_message);
    layout->addWidget(m_progress);
    layout->addWidget(m_detail);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    setMinimumWidth(240);
}

CTransferDlg::~CTransferDlg() { Unregister(m_context); }

void CTransferDlg::Describe(const QString& what, qint64 size) {
    m_what->setText(what);
    m_what->setVisible(!what.isEmpty());
    m_progress->setAccessibleName(what);
    m_size = size;
    m_detail->clear();
}

void CTransferDlg::DescribeSending(const QString& path, const QString& device) {
    const QFileInfo file(path);
    Describe(tr("Sending “%1” to %2").arg(file.fileName(), device), file.size());
}

void CTransferDlg::showDetail(int percent) {
    const qint64 elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    QStringList parts;
    const QLocale locale;
    if (m_size > 0) {
        const qint64 done = m_size * percent / 100;
        parts << tr("%1 of %2").arg(locale.formattedDataSize(done), locale.formattedDataSize(m_size));
        if (elapsedMs >= 500 && done > 0) {
            const qint64 perSecond = done * 1000 / elapsedMs;
            parts << tr("%1/s").arg(locale.formattedDataSize(perSecond));
            const qint64 secondsLeft = (m_size - done + perSecond - 1) / std::max<qint64>(perSecond, 1);
            parts << tr("%n s left", nullptr, static_cast<int>(std::min<qint64>(secondsLeft, 1 << 30)));
        }
    } else {
        parts << tr("%1%").arg(percent);
    }
    m_detail->setText(parts.join(QStringLiteral(", ")));
}

QString CTransferDlg::Detail() const { return m_detail->text(); }

void CTransferDlg::TransferProgress(int value, long context) {
    std::lock_guard lock(g_liveLock);
    auto found = g_live.find(context);
    if (found == g_live.end()) return;
    // Queued on the dialog: dropped by Qt should the dialog go before it runs.
    CTransferDlg* dialog = found->second;
    QMetaObject::invokeMethod(dialog, [dialog, value] { dialog->OnTransferProgress(value); }, Qt::QueuedConnection);
}

void CTransferDlg::OnTransferProgress(int value) {
    switch (value) {
    case PROGRESS_START:
        m_progress->setValue(0);
        m_running = true;
        m_aborted = false;
        m_failed = false;
        m_clock.start();
        m_detail->clear();
        m_message->hide();
        m_button->setText(tr("Abort"));
        break;
    case PROGRESS_END:
        m_progress->setValue(0);
        m_running = false;
        // The item that started the transfer hears of its end, whichever is selected now.
        if (m_frame && m_frame->GetActiveView()) m_frame->GetActiveView()->OnTransferDone(m_owner);
        if (m_frame && !m_frame->isActiveWindow())
            m_frame->GetNotifier()->Notify(tr("Transfer finished"), finishedText(m_what->text(), true));
        hide();
        break;
    case PROGRESS_UNKNOWN: {
        const int before = m_progress->value();
        m_progress->setValue(before >= 100 ? 0 : before + 1);
        break;
    }
    case PROGRESS_FAILED:
        // Without this the dialog would stay up with an "Abort" that has nothing to abort.
        m_progress->setValue(0);
        m_running = false;
        m_failed = true;
        m_message->setText(tr("The transfer failed."));
        m_message->show();
        m_button->setText(tr("Close"));
        // A transfer cut short after it ended its progress (251 comes first) is told too;
        // one the user aborted is not.
        if (!m_aborted) show();
        if (!m_aborted && m_frame && !m_frame->isActiveWindow())
            m_frame->GetNotifier()->Notify(tr("Transfer failed"), finishedText(m_what->text(), false));
        break;
    default:
        m_progress->setValue(qBound(0, value, 100));
        showDetail(m_progress->value());
        break;
    }
}

void CTransferDlg::OnAbort() {
    if (m_owner)
        m_owner->Abort();
    else if (m_frame && m_frame->GetActiveView())
        m_frame->GetActiveView()->OnTransferAborted();
    m_progress->setValue(0);
    m_running = false;
    m_aborted = true;
    hide();
}

void CTransferDlg::showEvent(QShowEvent* event) {
    m_aborted = false;  // shown for a new transfer
    QDialog::showEvent(event);
}

int CTransferDlg::Position() const { return m_progress->value(); }

QString CTransferDlg::Message() const { return m_failed ? m_message->text() : QString(); }
