#pragma once
// Asks whether a device that is not paired may send a file, or browse the shared folder. It
// answers "Reject" by itself when the user does not answer in time.
#include <QMessageBox>
#include <QString>
#include <optional>

class CReceiveDlg : public QMessageBox {
    Q_OBJECT
public:
    // `file` empty: the device asks to browse. `size` as announced, when it was.
    CReceiveDlg(const QString& device, const QString& file, std::optional<quint64> size, QWidget* parent);

    // The text of a size for people: "512 bytes", "1.5 kB", "200 MB".
    static QString SizeText(quint64 size);

    // Shows the dialog (through nimbrel::RunModal); true on "Accept".
    static bool Ask(const QString& device, const QString& file, std::optional<quint64> size, QWidget* parent);
};
