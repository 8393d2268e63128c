#include "app/dialogs/transfer_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
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

}  // namespace

CTransferDlg::CTransferDlg(CBrowserItem* owner, CMainFrame* parent)
    : QDialog(parent), m_owner(owner), m_frame(parent), m_context(Register(this)) {
    setWindowTitle(tr("Transfer ..."));
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
    layout->addWidget(m_message);
    layout->addWidget(m_progress);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    setMinimumWidth(240);
}

CTransferDlg::~CTransferDlg() { Unregister(m_context); }

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
        m_message->hide();
        m_button->setText(tr("Abort"));
        break;
    case PROGRESS_END:
        m_progress->setValue(0);
        m_running = false;
        // The item that started the transfer hears of its end, whichever is selected now.
        if (m_frame && m_frame->GetActiveView()) m_frame->GetActiveView()->OnTransferDone(m_owner);
        if (m_frame && !m_frame->isActiveWindow())
            m_frame->GetNotifier()->Notify(tr("Transfer finished"), tr("The transfer finished."));
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
            m_frame->GetNotifier()->Notify(tr("Transfer failed"), tr("The transfer failed."));
        break;
    default:
        m_progress->setValue(qBound(0, value, 100));
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
