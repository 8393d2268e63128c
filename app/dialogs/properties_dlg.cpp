#include "app/dialogs/properties_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/browser/browser_item.h"
#include "app/browser/device_class.h"
#include "app/frame/autostart.h"
#include "app/frame/modal.h"

namespace {
constexpr int kNoPort = 99;

// A page with a heading (or none) over rows of label and value.
QFormLayout* NewPage(QTabWidget* tabs, const QString& title, const QString& heading) {
    auto* page = new QWidget(tabs);
    auto* column = new QVBoxLayout(page);
    if (!heading.isEmpty()) column->addWidget(new QLabel(heading, page));
    auto* rows = new QFormLayout;
    column->addLayout(rows);
    column->addStretch();
    tabs->addTab(page, title);
    return rows;
}
}  // namespace

CPropertiesDlg::CPropertiesDlg(CBrowserItem& item, QWidget* parent) : QDialog(parent), m_item(item), m_tabs(new QTabWidget(this)) {
    setWindowTitle(tr("Properties"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (item.HasPage(CBrowserItem::kGeneralPage)) addGeneralPage();
    if (item.HasPage(CBrowserItem::kSecurityPage)) addSecurityPage();
    if (item.HasPage(CBrowserItem::kFileTransferPage)) addFileTransferPage();
    if (item.HasPage(CBrowserItem::kSerialPortPage)) addSerialPortPage();
}

void CPropertiesDlg::addGeneralPage() {
    QFormLayout* rows = NewPage(m_tabs, tr("General"), QString());
    rows->addRow(tr("Name :"), new QLabel(m_item.GetName()));
    rows->addRow(tr("Adress :"), new QLabel(m_item.GetAddressText()));
    rows->addRow(tr("Class :"), new QLabel(device_class::LabelOf(m_item.GetImage())));
}

void CPropertiesDlg::addSecurityPage() {
    m_authenticate = m_item.GetAuthenticate() ? 1 : 0;
    m_findable = m_item.GetFindable() ? 1 : 0;
    QFormLayout* rows = NewPage(m_tabs, tr("Security"), QString());
    m_authenticationBox = new QCheckBox(tr("Enabled"));
    m_authenticationBox->setChecked(m_authenticate != 0);
    connect(m_authenticationBox, &QCheckBox::clicked, this, [this] { m_authenticate ^= 1; });
    m_authenticationBox->setAccessibleName(tr("Authentification"));
    rows->addRow(tr("Authentification :"), m_authenticationBox);
    m_findableBox = new QCheckBox(tr("Yes"));
    m_findableBox->setChecked(m_findable != 0);
    connect(m_findableBox, &QCheckBox::clicked, this, [this] { m_findable ^= 1; });
    m_findableBox->setAccessibleName(tr("Let other devices discover"));
    rows->addRow(tr("Let other devices discover :"), m_findableBox);
    // The program's own setting, beside the adapter's.
    m_autostartBox = new QCheckBox(tr("Yes"));
    m_autostartBox->setChecked(autostart::Enabled());
    m_autostartBox->setToolTip(autostart::EntryPath());
    m_autostartBox->setAccessibleName(tr("Start with the desktop"));
    rows->addRow(tr("Start with the desktop :"), m_autostartBox);
}

void CPropertiesDlg::addFileTransferPage() {
    m_folder = m_item.GetPath();
    QFormLayout* rows = NewPage(m_tabs, tr("File Transfer"), tr("File Transfer Profile"));
    m_folderEdit = new QLineEdit(m_folder);
    connect(m_folderEdit, &QLineEdit::textChanged, this, [this](const QString& text) { m_folder = text; });
    rows->addRow(tr("Download files to :"), m_folderEdit);
}

void CPropertiesDlg::addSerialPortPage() {
    QFormLayout* rows = NewPage(m_tabs, tr("Serial Port"), tr("Serial port profile"));
    auto* port = new QLineEdit(SerialPortText(m_item.GetComPort()));
    port->setEnabled(false);
    rows->addRow(tr("Connected on :"), port);
}

void CPropertiesDlg::Apply() {
    if (m_folderEdit) m_item.SetPath(m_folder);
    if (m_authenticationBox) {
        m_item.SetAuthenticate(m_authenticate);
        m_item.SetFindable(m_findable);
    }
    if (m_autostartBox && m_autostartBox->isChecked() != autostart::Enabled()) {
        QString error;
        if (!autostart::SetEnabled(m_autostartBox->isChecked(), &error))
            nimbrel::ShowMessage(parentWidget(), error, QMessageBox::Warning);
    }
}

void ShowPropertiesDialog(CBrowserItem& item, QWidget* parent) {
    CPropertiesDlg dialog(item, parent);
    if (nimbrel::RunModal(dialog) == QDialog::Accepted) dialog.Apply();
}

QString SerialPortText(int port) { return port == kNoPort ? QStringLiteral("-") : QStringLiteral("COM%1").arg(port); }
