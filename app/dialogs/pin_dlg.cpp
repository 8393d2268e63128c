#include "app/dialogs/pin_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/frame/modal.h"

CPinDlg::CPinDlg(const QString& caption, QWidget* parent) : QDialog(parent), m_pin(new QLineEdit(this)) {
    setWindowTitle(caption);
    m_pin->setEchoMode(QLineEdit::Password);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Pin :"), this));
    row->addWidget(m_pin);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

QString CPinDlg::Pin() const { return m_pin->text(); }

bool CPinDlg::Ask(const QString& caption, QWidget* parent, std::wstring* pin) {
    CPinDlg dialog(caption, parent);
    if (nimbrel::RunModal(dialog) != QDialog::Accepted) return false;
    *pin = dialog.Pin().toStdWString();
    return true;
}
