#include "app/dialogs/pairing_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPairingDlg::CPairingDlg(const QString& caption, QWidget* parent)
    : QDialog(parent), m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Pairing ..."), this));
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(240);
}
