#include "app/frame/modal.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <algorithm>
#include <utility>

namespace nimbrel {
namespace {
ModalAnswerer& Answerer() {
    static ModalAnswerer answerer;
    return answerer;
}

// A window manager cuts a title that does not fit its window, and a PIN request names its
// device only there: a dialog is made wide enough for its title (in bold and a fifth larger, as
// title bars often have it, beside an icon and three buttons), without minimise and maximise
// buttons where the window manager lets the program choose.
void FitTitleBar(QDialog& dialog) {
    constexpr int kTitleBarDecorations = 120;
    QFont bold = dialog.font();
    bold.setBold(true);
    const int text = QFontMetrics(bold).horizontalAdvance(dialog.windowTitle());
    const int title = text + text / 5 + kTitleBarDecorations;
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), title));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}
}  // namespace

void SetModalAnswerer(ModalAnswerer answerer) { Answerer() = std::move(answerer); }

int RunModal(QDialog& dialog) {
    FitTitleBar(dialog);
    if (Answerer()) return Answerer()(dialog);
    return dialog.exec();
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons, const QString& caption) {
    QMessageBox box(icon, caption.isEmpty() ? QStringLiteral("Nimbrel") : caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(RunModal(box));
}

void ShowError(QWidget* parent, const QString& text) {
    ShowMessage(parent, text, QMessageBox::Critical, QMessageBox::Ok, QCoreApplication::translate("nimbrel", "Error"));
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
