#pragma once
// The splash shown while the engine starts: the program's picture, "Loading ...",
// "Please Wait" and the display name.
#include <QDialog>

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSplashDlg(QWidget* parent = nullptr);
};
