#pragma once
// Shown while a pairing runs: the window stays usable meanwhile. "Cancel" closes it and the
// outcome is then not told; the engine's pairing itself cannot be stopped and ends on its own.
#include <QDialog>

class QLabel;
class QPushButton;

class CPairingDlg : public QDialog {
    Q_OBJECT
public:
    CPairingDlg(const QString& caption, QWidget* parent);

    QPushButton* CancelButton() const { return m_cancel; }

private:
    QPushButton* m_cancel;
};
