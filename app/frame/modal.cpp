#include "app/frame/modal.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <utility>

namespace nimbrel {
namespace {
ModalAnswerer& Answerer() {
    static ModalAnswerer answerer;
    return answerer;
}
}  // namespace

void SetModalAnswerer(ModalAnswerer answerer) { Answerer() = std::move(answerer); }

int RunModal(QDialog& dialog) {
    if (Answerer()) return Answerer()(dialog);
    return dialog.exec();
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons, const QString& caption) {
    QMessageBox box(icon, caption.isEmpty() ? QStringLiteral("Nimbrel") : caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(RunModal(box));
}

QString ChooseFileToSend(QWidget* parent) {
    QFileDialog chooser(parent);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    if (RunModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {};
    return chooser.selectedFiles().front();
}

}  // namespace nimbrel
