#include "app/dialogs/receive_dlg.h"

#include <QPushButton>
#include <QTimer>

#include "app/frame/modal.h"
#include "platform/obex/server/server_host.h"

CReceiveDlg::CReceiveDlg(const QString& device, const QString& file, std::optional<quint64> size, QWidget* parent)
    : QMessageBox(parent) {
    setWindowTitle(QStringLiteral("Nimbrel"));
    setIcon(QMessageBox::Question);
    setTextFormat(Qt::PlainText);  // the names are the sender's
    if (file.isEmpty()) {
        setText(tr("%1 asks to browse your shared folder. Allow it?").arg(device));
    } else {
        const QString sized = size ? QStringLiteral(" (%1)").arg(SizeText(*size)) : QString();
        setText(tr("%1 wants to send you \u201C%2\u201D%3. Accept it?").arg(device, file, sized));
    }
    QPushButton* accept = addButton(tr("Accept"), QMessageBox::AcceptRole);
    QPushButton* reject = addButton(tr("Reject"), QMessageBox::RejectRole);
    setDefaultButton(reject);
    setEscapeButton(reject);
    Q_UNUSED(accept);
    // The sender waits for this long at most; past it the answer is no.
    auto* timeout = new QTimer(this);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, this, [this] { done(QDialog::Rejected); });
    timeout->start(std::chrono::milliseconds(obex::kOfferTimeout));
}

QString CReceiveDlg::SizeText(quint64 size) {
    if (size < 1000) return tr("%1 bytes").arg(size);
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double value = static_cast<double>(size);
    int unit = -1;
    while (value >= 1000 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(QLatin1String(units[unit]));
}

bool CReceiveDlg::Ask(const QString& device, const QString& file, std::optional<quint64> size, QWidget* parent) {
    CReceiveDlg dialog(device, file, size, parent);
    const int result = nimbrel::RunModal(dialog);
    if (QAbstractButton* clicked = dialog.clickedButton()) return dialog.buttonRole(clicked) == QMessageBox::AcceptRole;
    return result == QDialog::Accepted;  // answered without a click: by a test, or the time-out
}
