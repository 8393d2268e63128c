#pragma once
// Asks for the Bluetooth PIN, for pairing with a remote device or for answering one that asks
// to pair with this device. The PIN is passed on as typed, whatever its length.
#include <QDialog>
#include <string>

class QLineEdit;

class CPinDlg : public QDialog {
    Q_OBJECT
public:
    // `prompt` says who asks and for what, above the PIN.
    CPinDlg(const QString& caption, const QString& prompt, QWidget* parent);

    QString Pin() const;
    QString Prompt() const;
    QLineEdit* PinEdit() const { return m_pin; }

    // Shows the dialog (through nimbrel::RunModal); true on "OK", with the PIN as typed; false
    // on "Cancel" (or Esc).
    static bool Ask(const QString& caption, const QString& prompt, QWidget* parent, std::wstring* pin);

private:
    QLineEdit* m_pin;
    QString m_prompt;
};
