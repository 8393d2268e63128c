#pragma once
// Asks for the Bluetooth PIN, for pairing with a remote device or for answering one that asks
// to pair with this device. The PIN is passed on as typed, whatever its length.
#include <QDialog>
#include <string>

class QLineEdit;

class CPinDlg : public QDialog {
    Q_OBJECT
public:
    CPinDlg(const QString& caption, QWidget* parent);

    QString Pin() const;
    QLineEdit* PinEdit() const { return m_pin; }

    // Shows the dialog (through nimbrel::RunModal); true on "OK", with the PIN as typed.
    static bool Ask(const QString& caption, QWidget* parent, std::wstring* pin);

private:
    QLineEdit* m_pin;
};
