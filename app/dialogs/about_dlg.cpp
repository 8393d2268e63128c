#include "app/dialogs/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/res/icons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Nimbrel"));
    auto* picture = new QLabel(this);
    picture->setPixmap(icons::Program().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Nimbrel"), this);
    name->setObjectName(QStringLiteral("displayName"));
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(name, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
