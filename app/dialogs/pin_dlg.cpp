#include "app/dialogs/pin_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/frame/modal.h"

CPinDlg::CPinDlg(const QString& caption, const QString& prompt, QWidget* parent)
    : QDialog(parent), m_pin(new QLineEdit(this)), m_prompt(prompt) {
    setWindowTitle(caption);
    auto* question = new QLabel(prompt, this);
    question->setTextFormat(Qt::PlainText);  // a remote device's name
    question->setWordWrap(true);
    m_pin->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(tr("Pin :"), this);
    label->setBuddy(m_pin);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_pin);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

QString CPinDlg::Pin() const { return m_pin->text(); }

QString CPinDlg::Prompt() const { return m_prompt; }

bool CPinDlg::Ask(const QString& caption, const QString& prompt, QWidget* parent, std::wstring* pin) {
    CPinDlg dialog(caption, prompt, parent);
    if (nimbrel::RunModal(dialog) != QDialog::Accepted) return false;
    *pin = dialog.Pin().toStdWString();
    return true;
}
