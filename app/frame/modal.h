#pragma once
// Every modal dialog and message box of the program runs through RunModal, so that a test can
// answer it in place of a user: the answerer gets the dialog, fills it as a user would and
// returns the result the dialog would have ended with.
#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace nimbrel {

using ModalAnswerer = std::function<int(QDialog& dialog)>;

// Installs (or, with an empty function, removes) the answerer; tests only.
void SetModalAnswerer(ModalAnswerer answerer);

// exec(), or the answerer's result when one is installed.
int RunModal(QDialog& dialog);

// A message box with the program's caption ("Nimbrel") unless one is given; returns the
// button pressed.
QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text,
                                        QMessageBox::Icon icon = QMessageBox::NoIcon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        const QString& caption = QString());

// A critical message box captioned "Error" with OK: what the program could not do.
void ShowError(QWidget* parent, const QString& text);

// The file-open dialog of a push or an upload: the chosen path, or an empty text when the user
// cancelled.
QString ChooseFileToSend(QWidget* parent);

}  // namespace nimbrel
