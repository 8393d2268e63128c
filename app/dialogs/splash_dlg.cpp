#include "app/dialogs/splash_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/res/icons.h"

CSplashDlg::CSplashDlg(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Nimbrel"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(icons::Program().pixmap(64, 64));
    picture->setAlignment(Qt::AlignHCenter);
    layout->addWidget(picture);
    for (const QString& line : {tr("Loading ..."), tr("Please Wait"), QStringLiteral("Nimbrel")}) {
        auto* label = new QLabel(line, this);
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    setMinimumWidth(220);
}
