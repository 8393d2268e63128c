#include "app/dialogs/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/frame/radio_switch.h"
#include "app/res/icons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Nimbrel"));
    auto* picture = new QLabel(this);
    picture->setPixmap(icons::Program().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Nimbrel"), this);
    name->setObjectName(QStringLiteral("displayName"));
    auto* radio = new QLabel(RadioDescription(), this);
    radio->setObjectName(QStringLiteral("radioName"));
    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(radio);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
